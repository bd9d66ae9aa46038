// Hands a document or a link to the desktop: its viewer for a file, its mail
// program for a mail link. Each says whether the desktop has a program for
// it, so that the caller can tell a user who has none.
#pragma once

#include <string>

namespace tolvern {

// Opens a document in the desktop's viewer; false when there is none.
bool OpenInViewer(const std::string& path);

// Opens a link (such as a "mailto:" link) with the desktop's program for
// it; false when there is none.
bool OpenLink(const std::string& url);

}  // namespace tolvern
