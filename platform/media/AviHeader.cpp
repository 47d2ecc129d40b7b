#include "platform/media/AviHeader.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <cstring>

namespace media {

namespace {

// Header lists of real files are a few tens of kilobytes (the index and data follow them).
constexpr qint64 kMaxHeaderBytes = 1 << 20;

std::uint32_t U32(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 4 > b.size())
        return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData() + at);
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

bool Tag(const QByteArray& b, qsizetype at, const char* tag) {
    return at >= 0 && at + 4 <= b.size() && std::memcmp(b.constData() + at, tag, 4) == 0;
}

// Walks the chunks of [begin, end) and calls f(id offset, data offset, data size) for each.
template <class F> void Chunks(const QByteArray& b, qsizetype begin, qsizetype end, F f) {
    end = std::min<qsizetype>(end, b.size());
    for (qsizetype at = begin; at + 8 <= end;) {
        const std::uint32_t size = U32(b, at + 4);
        const qsizetype data = at + 8;
        const qsizetype stop = std::min<qsizetype>(end, data + qsizetype(size));
        f(at, data, stop - data);
        if (size > std::uint32_t(end - data))
            break; // cut inside this chunk
        at = data + qsizetype(size) + (size & 1);
    }
}

void ReadStreamList(const QByteArray& b, qsizetype begin, qsizetype size, AviHeaderInfo& info) {
    AviStreamHeader stream;
    Chunks(b, begin, begin + size, [&](qsizetype id, qsizetype data, qsizetype length) {
        if (Tag(b, id, "strh") && length >= 36) {
            stream.kind = Tag(b, data, "vids")   ? AviStreamHeader::Kind::Video
                          : Tag(b, data, "auds") ? AviStreamHeader::Kind::Audio
                                                 : AviStreamHeader::Kind::Other;
            const std::uint32_t scale = U32(b, data + 20);
            const std::uint32_t rate = U32(b, data + 24);
            const std::uint32_t frames = U32(b, data + 32);
            if (scale > 0 && rate > 0)
                stream.declaredSeconds = double(frames) * scale / rate;
        } else if (Tag(b, id, "strf") && length >= 12 &&
                   stream.kind == AviStreamHeader::Kind::Video) {
            stream.width = std::int32_t(U32(b, data + 4));
            stream.height = std::int32_t(U32(b, data + 8));
        }
    });
    info.streams.push_back(stream);
}

} // namespace

AviHeaderInfo ReadAviHeader(const QString& fileName) {
    AviHeaderInfo info;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return info;
    const QByteArray b = file.read(kMaxHeaderBytes);
    if (!Tag(b, 0, "RIFF") || !Tag(b, 8, "AVI "))
        return info;
    double mainSeconds = -1.0;
    const qint64 fileSize = file.size();
    Chunks(b, 12, b.size(), [&](qsizetype id, qsizetype data, qsizetype length) {
        if (Tag(b, id, "LIST") && Tag(b, data, "movi")) {
            const qint64 declared = U32(b, id + 4);
            info.mediaBytes = std::max<qint64>(0, std::min(declared, fileSize - data) - 4);
            return;
        }
        if (!Tag(b, id, "LIST") || !Tag(b, data, "hdrl"))
            return;
        info.isAvi = true;
        info.headersCut = qint64(data) + qint64(U32(b, id + 4)) > fileSize;
        Chunks(b, data + 4, data + length, [&](qsizetype cid, qsizetype cdata, qsizetype clen) {
            if (Tag(b, cid, "avih") && clen >= 20) {
                const std::uint32_t usPerFrame = U32(b, cdata);
                const std::uint32_t frames = U32(b, cdata + 16);
                if (usPerFrame > 0)
                    mainSeconds = double(frames) * usPerFrame / 1e6;
            } else if (Tag(b, cid, "LIST") && Tag(b, cdata, "strl")) {
                ReadStreamList(b, cdata + 4, clen - 4, info);
            }
        });
    });
    for (const AviStreamHeader& s : info.streams)
        info.declaredSeconds = std::max(info.declaredSeconds, s.declaredSeconds);
    if (info.declaredSeconds < 0)
        info.declaredSeconds = mainSeconds;
    return info;
}

} // namespace media
