#include "gui/desktop_opener.h"

#include <QDesktopServices>

#include <utility>

#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

std::function<void(const QUrl&)>& OpenFailureHandler()
{
    static std::function<void(const QUrl&)> handler;
    return handler;
}

DesktopOpener& CurrentOpener()
{
    static DesktopOpener opener = [](const QUrl& url) {
        if (!QDesktopServices::openUrl(url) && OpenFailureHandler())
            OpenFailureHandler()(url);
    };
    return opener;
}

} // namespace

DesktopOpener SetDesktopOpener(DesktopOpener opener)
{
    return std::exchange(CurrentOpener(), std::move(opener));
}

void SetOpenFailureHandler(std::function<void(const QUrl&)> handler)
{
    OpenFailureHandler() = std::move(handler);
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
