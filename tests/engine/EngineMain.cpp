#include <QCoreApplication>

#include <gtest/gtest.h>

// Under ThreadSanitizer: the media libraries are not instrumented and GLib synchronises with
// futexes the sanitizer cannot see, so reports whose stacks lie inside those libraries are
// noise; our own code synchronises through Qt and std primitives it does see. Fixture tools
// are started with fork/exec from a threaded process, which is fine here.
extern "C" const char* __tsan_default_options() {
    return "die_after_fork=0";
}
extern "C" const char* __tsan_default_suppressions() {
    return "race:libglib-2.0.so\n"
           "race:libgobject-2.0.so\n"
           "race:libgstreamer-1.0.so\n"
           "race:libgstbase-1.0.so\n"
           "race:libgstvideo-1.0.so\n"
           "race:libgstaudio-1.0.so\n"
           "race:libgstpbutils-1.0.so\n"
           "race:libges-1.0.so\n"
           "race:/gstreamer-1.0/\n"
           "race:libjpeg.so\n"
           "race:libav\n"
           "race:libsw\n"
           "race:libx264\n"
           "race:libmp3lame\n"
           "mutex:libgst\n"
           "mutex:libges\n"
           "mutex:libglib\n"
           "mutex:libgobject\n"
           "race:libffi\n"
           "race:liborc\n"
           "deadlock:libgst\n"
           "deadlock:libglib\n"
           "called_from_lib:libgstavi.so\n";
}

// The engine delivers its run notifications through the owning thread's event loop.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
