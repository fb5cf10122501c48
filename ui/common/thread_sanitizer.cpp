// ThreadSanitizer's suppressions for the desktop program's third-party libraries, compiled
// into every ThreadSanitizer build that links the window code (ui/CMakeLists.txt makes the
// linker take this definition over the runtime's empty one).
//
// Qt, GLib, libxcb and libdbus come from Debian without ThreadSanitizer's instrumentation:
// the runtime does not see their atomics and their own locking, so their internal threads
// (the xcb event reader, the D-Bus connection thread with its GLib wake-up descriptor, the
// pool that converts large images) show as races with the main thread, and libdbus's two
// locks as an inversion, that the libraries order correctly. Each entry names one such library and
// nothing of ours: a race between the program's own threads (the Roles and the main thread) is
// still reported.

#include <cstdlib>

extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so.6\n"      // thread pools, QThread start and finish
         "race:libQt6Gui.so.6\n"       // image conversion on the Gui thread pool
         "race:libQt6Widgets.so.6\n"   // widgets painted from those conversions
         "race:libQt6DBus.so.6\n"      // the session bus opened for the tray and the theme
         "race:libglib-2.0.so.0\n"     // the event dispatcher's wake-up descriptors
         "race:libQt6XcbQpa.so.6\n"    // the xcb event reader thread
         "race:libxcb.so.1\n"          // its connection buffer, handed over by the reader
         "race:libdbus-1.so.3\n"       // the D-Bus connection thread (tray, platform theme)
         "deadlock:libdbus-1.so.3\n";  // libdbus's connection and dispatch locks
}
