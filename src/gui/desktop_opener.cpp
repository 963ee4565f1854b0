#include "gui/desktop_opener.h"

#include <QDesktopServices>

#include <utility>

#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

DesktopOpener& CurrentOpener()
{
    static DesktopOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    return opener;
}

} // namespace

DesktopOpener SetDesktopOpener(DesktopOpener opener)
{
    return std::exchange(CurrentOpener(), std::move(opener));
}

void OpenWebPage(const std::string& sjisUrl)
{
    CurrentOpener()(QUrl(ToQString(sjisUrl), QUrl::TolerantMode));
}

void OpenLocalFile(const std::string& sjisPath)
{
    CurrentOpener()(QUrl::fromLocalFile(ToQString(sjisPath)));
}

void OpenDisclosure(const DisclosureOpening& opening)
{
    if (opening.kind == DisclosureOpening::WebPage)
        OpenWebPage(opening.target);
    else if (opening.kind == DisclosureOpening::LocalFile)
        OpenLocalFile(opening.target);
}

} // namespace zelmora
