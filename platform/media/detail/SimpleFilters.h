#pragma once

#include "platform/media/detail/GstFilter.h"

namespace media::detail {

/// "File Writer": writes the stream it receives to the file named through IFileSinkFilter2.
class FileWriterFilter : public GstFilter, public IFileSinkFilter2 {
public:
    FileWriterFilter();
    HRESULT SetFileName(const QString& fileName) override;
    HRESULT GetCurFile(QString& fileName) const override;
    HRESULT SetMode(int flags) override;

protected:
    explicit FileWriterFilter(const QString& classId);
    QString fileName_;
};

/// "Dump": a writer that offers only the plain file-sink interface.
class DumpFilter : public GstFilter, public IFileSinkFilter {
public:
    DumpFilter();
    HRESULT SetFileName(const QString& fileName) override;
    HRESULT GetCurFile(QString& fileName) const override;

private:
    QString fileName_;
};

/// "Video Effects": passes video through; there are no effect items to apply.
class VideoEffectsFilter : public GstFilter, public IVideoEffects {
public:
    VideoEffectsFilter();
    HRESULT ClearEffects() override { return S_OK; }
};

/// Builds a filter from a bin described in the launch syntax, its first unlinked sink and
/// source pads ghosted as "sink" and "src".
FilterPtr MakeBinFilter(const char* description, const QString& classId);

} // namespace media::detail
