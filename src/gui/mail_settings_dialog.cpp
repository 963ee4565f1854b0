#include "gui/mail_settings_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/text/texts.h"
#include "gui/control_fitting.h"
#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

constexpr int kDialogUnitsWidth = 175;
constexpr int kDialogUnitsHeight = 225;

// In dialog units. Group boxes come first so that the controls inside them
// lie above them.
const ControlTemplate kControls[] = {
    {nullptr, ControlKind::GroupBox, 7, 80, 100, 33, "適時情報メール"},
    {nullptr, ControlKind::GroupBox, 7, 117, 161, 50, "株価メール"},
    {nullptr, ControlKind::Label, 7, 11, 43, 8, "メールアドレス"},
    {"addressEdit", ControlKind::Edit, 63, 9, 105, 12, ""},
    {nullptr, ControlKind::Label, 7, 26, 52, 8, "SMTPサーバー名"},
    {"serverEdit", ControlKind::Edit, 63, 24, 105, 12, ""},
    {nullptr, ControlKind::Label, 7, 41, 52, 8, "ユーザー名"},
    {"userEdit", ControlKind::Edit, 63, 39, 105, 12, ""},
    {nullptr, ControlKind::Label, 7, 56, 52, 8, "パスワード"},
    {"passwordEdit", ControlKind::Edit, 63, 54, 105, 12, ""},
    {"passwordNoteLabel", ControlKind::Label, 7, 69, 161, 8, "パスワードは設定ファイルに保存されます", true},
    {"disclosureMailCheck", ControlKind::CheckBox, 16, 95, 81, 10, "適時情報をメールする"},
    {"testMailButton", ControlKind::Button, 112, 93, 56, 15, "メール送信テスト"},
    {"testMailResultLabel", ControlKind::Label, 112, 109, 56, 8, ""},
    {"alertMailCheck", ControlKind::CheckBox, 16, 172, 120, 10, "株価アラートをメール"},
    {"testMailReasonLabel", ControlKind::Label, 7, 185, 161, 17, ""},
    {"priceMailCheck", ControlKind::CheckBox, 16, 131, 67, 10, "株価をメールする"},
    {"interval10Radio", ControlKind::RadioButton, 21, 148, 43, 10, "10分間隔"},
    {"interval30Radio", ControlKind::RadioButton, 71, 148, 43, 10, "30分間隔"},
    {"interval60Radio", ControlKind::RadioButton, 121, 148, 40, 10, "60分間隔"},
    {"okButton", ControlKind::DefaultButton, 66, 204, 50, 14, "OK"},
    {"cancelButton", ControlKind::Button, 118, 204, 50, 14, "ｷｬﾝｾﾙ"},
};

} // namespace

MailSettingsDialog::MailSettingsDialog(const MailSettingsFields& fields, bool passwordKeptInFile, QWidget* parent)
    : QDialog(parent), m_fields(fields)
{
    setWindowTitle(QStringLiteral("メール設定"));
    setFont(DialogFont());
    const DialogUnits units(font());
    setFixedSize(units.X(kDialogUnitsWidth), units.Y(kDialogUnitsHeight));
    CreateTemplateControls(kControls, this);
    m_addressEdit = TemplateControl<QLineEdit>(this, "addressEdit");
    m_serverEdit = TemplateControl<QLineEdit>(this, "serverEdit");
    m_userEdit = TemplateControl<QLineEdit>(this, "userEdit");
    m_passwordEdit = TemplateControl<QLineEdit>(this, "passwordEdit");
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    TemplateControl<QLabel>(this, "passwordNoteLabel")->setVisible(passwordKeptInFile);
    m_disclosureMailCheck = TemplateControl<QCheckBox>(this, "disclosureMailCheck");
    m_testMailButton = TemplateControl<QPushButton>(this, "testMailButton");
    m_testMailResultLabel = TemplateControl<QLabel>(this, "testMailResultLabel");
    SetWidestTexts(*m_testMailResultLabel,
                   {ToQString(texts::Sjis(texts::MailSent)), ToQString(texts::Sjis(texts::MailSendError))});
    m_testMailReasonLabel = TemplateControl<QLabel>(this, "testMailReasonLabel");
    m_testMailReasonLabel->setWordWrap(true);
    m_priceMailCheck = TemplateControl<QCheckBox>(this, "priceMailCheck");
    m_alertMailCheck = TemplateControl<QCheckBox>(this, "alertMailCheck");
    m_interval10Radio = TemplateControl<QRadioButton>(this, "interval10Radio");
    m_interval30Radio = TemplateControl<QRadioButton>(this, "interval30Radio");
    m_interval60Radio = TemplateControl<QRadioButton>(this, "interval60Radio");

    connect(m_priceMailCheck, &QCheckBox::clicked, this, &MailSettingsDialog::EnableIntervalRadios);
    connect(m_testMailButton, &QPushButton::clicked, this, [this] {
        m_testMailResultLabel->clear();
        m_testMailReasonLabel->clear();
        emit TestMailRequested({ToSjis(m_serverEdit->text()), ToSjis(m_addressEdit->text()), ToSjis(m_userEdit->text()),
                                ToSjis(m_passwordEdit->text())});
    });
    connect(TemplateControl<QPushButton>(this, "okButton"), &QPushButton::clicked, this, &QDialog::accept);
    connect(TemplateControl<QPushButton>(this, "cancelButton"), &QPushButton::clicked, this, &QDialog::reject);
    Show(fields);
}

void MailSettingsDialog::Show(const MailSettingsFields& fields)
{
    m_addressEdit->setText(ToQString(fields.mailAddress));
    m_serverEdit->setText(ToQString(fields.smtpServer));
    m_userEdit->setText(ToQString(fields.smtpUser));
    m_passwordEdit->setText(ToQString(fields.smtpPassword));
    m_disclosureMailCheck->setChecked(fields.disclosureMailOn);
    m_priceMailCheck->setChecked(fields.priceMailOn);
    m_alertMailCheck->setChecked(fields.alertMailOn);
    // 30 stands for every interval the radios do not offer, 300 among them.
    QRadioButton* checked = m_interval30Radio;
    if (fields.priceMailInterval == 10)
        checked = m_interval10Radio;
    else if (fields.priceMailInterval == 60)
        checked = m_interval60Radio;
    checked->setChecked(true);
    if (!fields.priceMailOn)
        EnableIntervalRadios();
}

void MailSettingsDialog::EnableIntervalRadios()
{
    const bool enabled = m_priceMailCheck->isChecked();
    for (QRadioButton* radio : {m_interval10Radio, m_interval30Radio, m_interval60Radio})
        radio->setEnabled(enabled);
}

void MailSettingsDialog::ShowTestMailResult(const std::string& text, MailFailure failure)
{
    m_testMailResultLabel->setText(ToQString(text));
    m_testMailReasonLabel->setText(TestMailReason(failure));
}

QString TestMailReason(MailFailure failure)
{
    switch (failure) {
    case MailFailure::NotReached:
        return QStringLiteral("サーバーに接続できません（名前とポートを確かめてください）");
    case MailFailure::LoginRefused:
        return QStringLiteral("サーバーがログインを拒否しました");
    case MailFailure::NoEncryption:
        return QStringLiteral("サーバーが暗号化に対応していません（ログインには STARTTLS が要ります）");
    case MailFailure::AddressRefused:
        return QStringLiteral("サーバーがメールアドレスを受け付けません");
    case MailFailure::None:
    case MailFailure::Stopped:
    case MailFailure::Other:
        break;
    }
    return {};
}

void MailSettingsDialog::accept()
{
    m_fields.mailAddress = ToSjis(m_addressEdit->text());
    m_fields.smtpServer = ToSjis(m_serverEdit->text());
    m_fields.smtpUser = ToSjis(m_userEdit->text());
    m_passwordTyped = m_passwordEdit->isModified();
    m_fields.smtpPassword = ToSjis(m_passwordEdit->text());
    m_fields.disclosureMailOn = m_disclosureMailCheck->isChecked();
    m_fields.priceMailOn = m_priceMailCheck->isChecked();
    m_fields.alertMailOn = m_alertMailCheck->isChecked();
    m_fields.priceMailInterval = m_interval10Radio->isChecked() ? 10 : m_interval60Radio->isChecked() ? 60 : 30;
    QDialog::accept();
}

} // namespace zelmora
