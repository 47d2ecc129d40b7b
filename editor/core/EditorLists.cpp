#include "editor/core/EditorLists.h"

#include "platform/media/WmCodecCatalogue.h"

namespace {

QStringList Rows(std::initializer_list<const char*> rows) {
    QStringList list;
    list.reserve(qsizetype(rows.size()));
    for (const char* row : rows)
        list.append(QString::fromLatin1(row));
    return list;
}

int IndexOr(const QStringList& rows, const QString& text, int fallback) {
    const qsizetype row = rows.indexOf(text); // exact and case-sensitive
    return row < 0 ? fallback : int(row);
}

} // namespace

QStringList FrameSizeRows() {
    static const QStringList rows =
        Rows({"80*60",   "96*72",    "128*96",   "160*120",   "176*96",   "176*120",  "176*144",
              "192*144", "208*160",  "240*176",  "240*180",   "320*176",  "320*180",  "320*192",
              "320*200", "320*240",  "352*240",  "352*288",   "368*208",  "384*160",  "400*192",
              "416*176", "480*160",  "480*272",  "480*480",   "480*576",  "512*384",  "640*360",
              "640*480", "720*432",  "720*480",  "720*576",   "800*450",  "800*600",  "960*540",
              "960*720", "1024*576", "1024*768", "1024*1080", "1280*720", "1280*960", "1440*1080",
              "Original"});
    return rows;
}

QStringList WmvFrameSizeRows() {
    // The first 25 frame sizes, then the rest in the order the WMV page has always listed them.
    static const QStringList rows =
        FrameSizeRows().mid(0, 25) +
        Rows({"512*384", "480*576", "640*360", "640*480", "720*432", "720*480", "720*576",
              "800*450", "800*600", "960*540", "960*720", "1024*576", "1024*768", "1280*720",
              "1280*960", "1024*1080", "1440*1080"});
    return rows;
}

QStringList AspectRatioRows() {
    static const QStringList rows = Rows({"1:1", "4:3", "16:9", "2.21:1"});
    return rows;
}

QStringList VideoBitrateRows() {
    static const QStringList rows =
        Rows({"128",  "256",  "512",  "768",  "1024", "1150", "2048",  "2376",  "2500",  "3000",
              "3500", "4000", "4500", "5000", "8000", "9000", "10000", "11000", "12000", "15000"});
    return rows;
}

QStringList FlvVideoBitrateRows() {
    return VideoBitrateRows().mid(0, 6);
}

QStringList FrameRateRows() {
    static const QStringList rows =
        Rows({"23.979", "24", "25", "29.97", "30", "50", "59.94", "60"});
    return rows;
}

QStringList AudioCodecRows() {
    static const QStringList rows = Rows({"None", "MP3", "MP2", "PCM", "AAC", "AC3", "WAV"});
    return rows;
}

QStringList AudioBitrateRows() {
    static const QStringList rows =
        Rows({"64", "96", "112", "128", "160", "192", "224", "256", "320"});
    return rows;
}

QStringList ShortAudioBitrateRows() {
    return AudioBitrateRows().mid(0, 4);
}

QStringList SampleRateRows() {
    static const QStringList rows =
        Rows({"48000", "44100", "32000", "24000", "22050", "16000", "12000", "11025", "8000"});
    return rows;
}

QStringList ChannelRows() {
    static const QStringList rows = Rows({"Mono", "Stereo"});
    return rows;
}

QStringList ConstraintRows() {
    static const QStringList rows =
        Rows({"None", "PAL", "NTSC", "iPod", "iPod Nano", "iPhone", "Film", "HD"});
    return rows;
}

int IndexOfFrameSize(const QString& text) {
    return IndexOr(FrameSizeRows(), text, 42);
}

int IndexOfAspectRatio(const QString& text) {
    return IndexOr(AspectRatioRows(), text, 0);
}

int IndexOfVideoBitrate(const QString& text) {
    return IndexOr(VideoBitrateRows(), text, 5);
}

int IndexOfFrameRate(const QString& text) {
    return IndexOr(FrameRateRows(), text, 3);
}

int IndexOfAudioCodec(const QString& text) {
    return IndexOr(AudioCodecRows(), text, 2);
}

int IndexOfAudioBitrate(const QString& text) {
    return IndexOr(AudioBitrateRows(), text, 6);
}

int IndexOfSampleRate(const QString& text) {
    return IndexOr(SampleRateRows(), text, 1);
}

int IndexOfConstraint(const QString& text) {
    return IndexOr(ConstraintRows(), text, 0);
}

WmvCodecLists WmvEditorLists() {
    using namespace media;
    WmvCodecLists lists;
    // The editor offers the two current video codecs; the older ones are encoded too but are
    // reached only through profiles that name them.
    lists.videoCodecs = WMCodecNames(MajorType::Video).mid(0, 2);
    lists.audioCodecs = WMCodecNames(MajorType::Audio);
    for (int i = 0; i < int(lists.audioFormats.size()) && i < lists.audioCodecs.size(); ++i)
        lists.audioFormats[i] = WMAudioFormatDescriptions(lists.audioCodecs.at(i));
    return lists;
}
