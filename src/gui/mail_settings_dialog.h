#pragma once

#include <QDialog>

#include <string>

#include "core/engine/watcher.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zelmora {

// "メール設定": mail address, SMTP server and its login, disclosure mail,
// price mail and its interval, alert mail, and a test mail to the typed address through
// the typed server with the typed login. Under the password a note says so
// when the password is kept in the settings file.
class MailSettingsDialog : public QDialog {
    Q_OBJECT
public:
    MailSettingsDialog(const MailSettingsFields& fields, bool passwordKeptInFile, QWidget* parent = nullptr);

    // The fields as they stand; OK has written what the dialog shows.
    const MailSettingsFields& Fields() const { return m_fields; }
    // OK came after an edit of the password field.
    bool PasswordTyped() const { return m_passwordTyped; }
    // The test mail's outcome, shown under its button.
    // The result under the test button; why it failed, when the transfer
    // said, under the dialog's fields.
    void ShowTestMailResult(const std::string& text, MailFailure failure);

    void accept() override;

signals:
    void TestMailRequested(const MailAccount& account);

private:
    void Show(const MailSettingsFields& fields);
    void EnableIntervalRadios();

    MailSettingsFields m_fields;
    QLineEdit* m_addressEdit;
    QLineEdit* m_serverEdit;
    QLineEdit* m_userEdit;
    QLineEdit* m_passwordEdit;
    bool m_passwordTyped = false;
    QCheckBox* m_disclosureMailCheck;
    QPushButton* m_testMailButton;
    QLabel* m_testMailResultLabel;
    QLabel* m_testMailReasonLabel;
    QCheckBox* m_priceMailCheck;
    QCheckBox* m_alertMailCheck;
    QRadioButton* m_interval10Radio;
    QRadioButton* m_interval30Radio;
    QRadioButton* m_interval60Radio;
};

// Why a test mail failed, in the user's words; empty when the transfer did
// not say.
QString TestMailReason(MailFailure failure);

} // namespace zelmora
