#pragma once

#include <QDialog>

#include <functional>
#include <map>
#include <string>

class QButtonGroup;
class QCheckBox;
class QLineEdit;

namespace zelmora {

// Ids of the mail settings dialog's controls.
enum MailDialogControlId : int {
    IDOK_MAIL = 1,
    IDCANCEL_MAIL = 2,
    IDC_MAIL_ADDRESS = 1021,
    IDC_PRICE_MAIL = 1059,
    IDC_DISCLOSURE_MAIL = 1060,
    IDC_INTERVAL_10 = 1061,
    IDC_INTERVAL_30 = 1062,
    IDC_INTERVAL_60 = 1063,
    IDC_SMTP_SERVER = 1065,
    IDC_TEST_MAIL = 1066,
};

// The five mail settings the dialog edits.
struct MailSettingsFields {
    std::string mailAddress;
    std::string smtpServer;
    int disclosureMailOn = 0;
    int priceMailOn = 0;
    int priceMailInterval = 30;
};

// "メール設定": mail address, SMTP server, disclosure mail, price mail and its
// interval, and a test mail to the typed address through the typed server.
class MailSettingsDialog : public QDialog {
    Q_OBJECT
public:
    using LabelSetter = std::function<void(int id, const std::string& sjis)>;
    using TestMailSender = std::function<void(const std::string& address, const std::string& server)>;

    // OK writes the fields and sets the window's mail status labels;
    // Cancel leaves both alone.
    MailSettingsDialog(MailSettingsFields& fields, LabelSetter setLabel, TestMailSender sendTestMail);

    QWidget* Control(int id) const;

    void accept() override; // OnOK

private:
    void CreateControls();
    void OnInitDialog();
    void EnableIntervalRadios();
    void SendTestMail();
    bool IsChecked(int id) const;

    MailSettingsFields& m_fields;
    LabelSetter m_setLabel;
    TestMailSender m_sendTestMail;
    std::map<int, QWidget*> m_controls;
    QButtonGroup* m_intervalGroup = nullptr;
};

} // namespace zelmora
