// Prints where ModuleFolderFile() finds each data file named on the command line, one line per
// name. The install tests copy this program into prefixes of their own to check the lookup.

#include "util/myutility.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    for (const QString& name : app.arguments().mid(1))
        out << ModuleFolderFile(name) << '\n';
    return 0;
}
