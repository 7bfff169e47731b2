#pragma once

#include <string>

class KolPreferences;
class QWidget;

// Hands an existing file to the desktop's default application ("xdg-open" in a child process).
// True when "xdg-open" was started on it; whether an application then opens the file is not
// observed. Nothing is left for the caller to reap or to wait for. The opener starts with no
// signal blocked, and ignoring only what this process was started ignoring (SIGCHLD aside).
bool openWithDesktop(const std::string& path);

// Opens a documentation file: from the path remembered under "OpenDocs/" + documentKey, else
// fileName as given, else fileName inside directory; failing those the user is asked to locate
// it, and the path chosen is remembered. A file found that "xdg-open" cannot be run on is named
// in a box instead, and not remembered. When "xdg-open" runs but ends with a failing status
// within 10 s of its start, the same box says so (heard from the event loop, never waited for),
// unless parent has closed by then, and a path remembered by this call is taken back. Later, it is
// a browser that xdg-open waited for ending long after it showed the file: nothing is said.
// store must not be null.
void openDocumentation(QWidget* parent, KolPreferences* store, const std::string& fileName,
                       const std::string& directory, const std::string& documentKey);

// Shortens the 10 s after which a failing status of "xdg-open" is no longer reported (tests).
void setOpenerStatusWindow(int seconds);

// The first readable file of directory matching nameFilter, by name ignoring case; false with
// out unchanged when there is none.
bool listDirectory(std::string& out, const std::string& directory, const std::string& nameFilter);
