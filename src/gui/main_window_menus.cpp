// The settings menu, the keys and the dialogs of the main window.

#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "gui/about_dialog.h"
#include "gui/alert_dialog.h"
#include "gui/dialog_frame.h"
#include "gui/link_url_dialog.h"
#include "gui/list_menus.h"
#include "session/mail_password_store.h"
#include "gui/mail_settings_dialog.h"
#include "gui/main_window.h"
#include "gui/popup_menu.h"
#include "gui/quote_source_dialog.h"
#include "gui/settings_menu.h"
#include "session/sjis_qstring.h"
#include "gui/watch_list_model.h"
#include "session/watcher_timers.h"

namespace zelmora {
namespace {

bool IsEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// A menu item runs once its menu has closed.
template <class Slot>
void RunAfterMenu(QAction* item, QObject* receiver, Slot slot)
{
    QObject::connect(item, &QAction::triggered, receiver, slot, Qt::QueuedConnection);
}

} // namespace

void MainWindow::ShowSettingsMenu()
{
    const Settings settings = m_watcher->CurrentSettings();
    auto* menu = new SettingsMenu(settings.startInTray, settings.disclosureNotifyOn, this);
    RunAfterMenu(menu->quoteSourceSettings, this, [this] { ShowQuoteSourceSettings(); });
    RunAfterMenu(menu->linkUrlSettings, this, [this] { ShowLinkUrlSettings(); });
    RunAfterMenu(menu->mailSettings, this, [this] { ShowMailSettings(); });
    RunAfterMenu(menu->startInTray, this, [this] { ToggleStartInTray(); });
    RunAfterMenu(menu->notifyDisclosures, this, [this] {
        m_watcher->ChangeSettings([](Settings& s) { s.disclosureNotifyOn = !s.disclosureNotifyOn; });
    });
    RunAfterMenu(menu->versionInfo, this, [this] { ShowAboutDialog(); });
    RunAfterMenu(menu->closeProgram, this, [this] { close(); });
    ShowPopup(menu, m_settingsButton->mapToGlobal(m_settingsButton->rect().bottomLeft()));
}

void MainWindow::ToggleStartInTray()
{
    m_watcher->ChangeSettings([](Settings& s) { s.startInTray = !s.startInTray; });
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The list's inside narrows when its vertical scroll bar comes.
    if (event->type() == QEvent::Resize && watched == m_list->viewport())
        FitMemoColumn();
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool entryControl = watched == m_codeEdit || watched == m_marketCombo || watched == m_addButton;
    if (entryControl && IsEnter(key)) {
        AddToWatchList();
        return true;
    }
    if (IsEnter(key))
        return EnterOnControl(watched);
    if (watched == m_list && key->key() == Qt::Key_Delete) {
        DeleteWatchRow();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// Enter never presses the default button: on the list it opens the list
// menu, on a button it does what a click does; elsewhere nothing.
bool MainWindow::EnterOnControl(QObject* control)
{
    if (control == m_list)
        m_listMenus->ShowKeyMenu(FirstSelectedRow());
    else if (control == m_settingsButton)
        ShowSettingsMenu();
    else if (control == m_connectButton || control == m_disconnectButton)
        static_cast<QPushButton*>(control)->click();
    return true;
}

// Dialogs never hold up the window's event loop; what OK confirmed is
// applied when they close.
void MainWindow::ShowMailSettings()
{
    if (m_mailDialog)
        return;
    m_mailDialog = new MailSettingsDialog(m_watcher->MailSettings(), m_mailPasswords->PasswordKeptInFile(), this);
    connect(m_mailDialog, &MailSettingsDialog::TestMailRequested, this,
            [this](const MailAccount& account) { m_watcher->SendTestMail(account); });
    connect(m_mailDialog, &QDialog::accepted, this, [this] { ApplyMailSettings(*m_mailDialog); });
    OpenDialog(m_mailDialog);
}

// A password the store answered with while the dialog was open stays, unless
// the user typed another.
void MainWindow::ApplyMailSettings(const MailSettingsDialog& dialog)
{
    const Settings before = m_watcher->CurrentSettings();
    MailSettingsFields fields = dialog.Fields();
    if (!dialog.PasswordTyped())
        fields.smtpPassword = before.smtpPassword;
    m_watcher->ApplyMailSettings(fields);
    m_mailPasswords->LoginConfirmed(MailLoginOf(before));
    m_disclosureMailStatusLabel->setText(ToQString(m_watcher->DisclosureMailStatus()));
    m_priceMailStatusLabel->setText(ToQString(m_watcher->PriceMailStatus()));
    m_watcherTimers->RearmMailTimers();
}

// OK applies to the row that still holds the stock the dialog was opened on.
void MainWindow::ShowAlertSettings()
{
    const int row = FirstSelectedRow();
    if (row < 0)
        return;
    const auto r = static_cast<std::size_t>(row);
    const std::string code = m_watcher->Cell(r, ColCode);
    const std::string name = m_watcher->Cell(r, ColName);
    const QString stock = ToQString(code) + (name.empty() ? QString() : QLatin1Char(' ') + ToQString(name));
    const QString quote = ToQString(m_watcher->Cell(r, ColPrice)) + QStringLiteral(" (") +
                          ToQString(m_watcher->Cell(r, ColRate)) + QLatin1Char(')');
    auto* dialog = new AlertDialog(stock, quote, m_watcher->AlertsOf(r), this);
    connect(dialog, &QDialog::accepted, this, [this, dialog, r, code] {
        if (m_watcher->Cell(r, ColCode) != code)
            return;
        m_watcher->SetAlerts(r, dialog->Thresholds());
        ShowChartThresholds(static_cast<int>(r));
    });
    OpenDialog(dialog);
}

void MainWindow::ShowLinkUrlSettings()
{
    auto* dialog = new LinkUrlDialog(m_watcher->CurrentSettings(), m_links.indexLinks, m_links.stockLinks, this);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { m_watcher->ChangeSettings([dialog](Settings& s) { dialog->ApplyTo(s); }); });
    OpenDialog(dialog);
}

// The selected row's stock is the one "試す" starts with.
void MainWindow::ShowQuoteSourceSettings()
{
    const Settings settings = m_watcher->CurrentSettings();
    const int row = FirstSelectedRow();
    const auto r = static_cast<std::size_t>(std::max(0, row));
    const std::string code = row >= 0 ? m_watcher->Cell(r, ColCode) : std::string();
    const std::string letter = row >= 0 ? MarketLetterFor(m_watcher->Cell(r, ColMarket), settings.marketCodes)
                                        : settings.marketCodes[0];
    auto* dialog = new QuoteSourceDialog(settings, code, letter, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { m_watcher->ChangeSettings([dialog](Settings& s) { dialog->ApplyTo(s); }); });
    dialog->open();
}

void MainWindow::ShowAboutDialog()
{
    OpenDialog(new AboutDialog(m_titleText, this));
}

// Every dialog and message box: window-modal, gone once closed, framed as a
// dialog of the desktop.
void MainWindow::OpenDialog(QDialog* dialog)
{
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    GiveDialogFrame(*dialog);
    dialog->open();
}

// Closing the program closes its dialogs as Cancel would: what the user has
// not confirmed is not applied, and nothing confirmed comes after the save.
void MainWindow::CloseDialogs()
{
    for (QDialog* dialog : findChildren<QDialog*>(Qt::FindDirectChildrenOnly)) {
        if (dialog->isVisible())
            dialog->reject();
    }
}

} // namespace zelmora
