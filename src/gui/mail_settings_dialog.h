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

// "メール設定": mail address, SMTP server, disclosure mail, price mail and its
// interval, and a test mail to the typed address through the typed server.
class MailSettingsDialog : public QDialog {
    Q_OBJECT
public:
    MailSettingsDialog(const MailSettingsFields& fields, QWidget* parent = nullptr);

    // The fields as they stand; OK has written the checks and the interval.
    const MailSettingsFields& Fields() const { return m_fields; }
    // The test mail's outcome, shown under its button.
    void ShowTestMailResult(const std::string& text);

    void accept() override;

signals:
    void TestMailRequested(const std::string& address, const std::string& server);

private:
    void Show(const MailSettingsFields& fields);
    void EnableIntervalRadios();

    MailSettingsFields m_fields;
    QLineEdit* m_addressEdit;
    QLineEdit* m_serverEdit;
    QCheckBox* m_disclosureMailCheck;
    QPushButton* m_testMailButton;
    QLabel* m_testMailResultLabel;
    QCheckBox* m_priceMailCheck;
    QRadioButton* m_interval10Radio;
    QRadioButton* m_interval30Radio;
    QRadioButton* m_interval60Radio;
};

} // namespace zelmora
