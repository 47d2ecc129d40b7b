#pragma once
// The last step of a run that wrote its output under a temporary name: the data goes to the
// disk before the name changes, so that after a crash or a power cut the folder holds either
// the earlier output or the complete new one, never a renamed file whose data is still cached.

#include <QString>

namespace engine {

/// The system calls the commit makes; tests replace them to watch the order or to make one
/// fail. Defaults are the system's own.
struct CommitCalls {
    int (*openForSync)(const char* path) = nullptr; ///< an fd that fsync accepts, or -1
    int (*fsync)(int fd) = nullptr;
    int (*close)(int fd) = nullptr;
    int (*rename)(const char* from, const char* to) = nullptr;
};
/// The calls in use. Changing them is for tests, while no run is committing.
CommitCalls& CommitOutputCalls();
CommitCalls SystemCommitCalls();

/// Flushes `temporary` to the disk, renames it to `output` and flushes the folder. False with a
/// reason (errno's text) when the data could not be flushed or the name not changed; the
/// temporary file then still exists for the caller to remove. Any thread.
bool CommitOutputFile(const QString& temporary, const QString& output, QString* error);

} // namespace engine
