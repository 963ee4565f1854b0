#pragma once

#include <QUrl>

#include <functional>
#include <string>

#include "core/disclosure/history_line.h"

namespace zelmora {

// The one door to the desktop's default handler for web pages and files.
// Tests swap the opener here and read what was asked of it.
using DesktopOpener = std::function<void(const QUrl&)>;

// Installs an opener and returns the one it replaces.
DesktopOpener SetDesktopOpener(DesktopOpener opener);

// Told when the desktop has no handler for what was to open (no xdg-open):
// otherwise a double click would do nothing visible.
void SetOpenFailureHandler(std::function<void(const QUrl&)> handler);

// A web address in the program's Shift_JIS text.
void OpenWebPage(const std::string& sjisUrl);
// A file on this machine, by its Shift_JIS path.
void OpenLocalFile(const std::string& sjisPath);
// A recorded disclosure: its document's address or its local copy.
void OpenDisclosure(const DisclosureOpening& opening);

} // namespace zelmora
