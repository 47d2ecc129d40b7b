#include "util/Utility.h"

QString NormalizedLower(const QString& text)
{
    QString result = text;
    for (QChar& c : result) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    qsizetype begin = 0;
    qsizetype end = result.size();
    while (begin < end && result.at(begin).unicode() <= ' ')
        ++begin;
    while (end > begin && result.at(end - 1).unicode() <= ' ')
        --end;
    return result.mid(begin, end - begin);
}
