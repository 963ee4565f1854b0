#include "gui/mail_settings_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include "core/settings/settings.h"
#include "core/text/texts.h"
#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "gui/sjis_qstring.h"

namespace zelmora {
namespace {

constexpr int kDialogUnitsWidth = 175;
constexpr int kDialogUnitsHeight = 173;

// Template 158, in dialog units. Group boxes come first so that the
// controls inside them lie above them.
const ControlTemplate kControls[] = {
    {IDC_STATIC, ControlKind::GroupBox, 7, 42, 100, 33, "適時情報メール"},
    {IDC_STATIC, ControlKind::GroupBox, 7, 79, 161, 50, "株価メール"},
    {IDC_STATIC, ControlKind::Label, 7, 11, 43, 8, "メールアドレス"},
    {IDC_MAIL_ADDRESS, ControlKind::Edit, 63, 9, 105, 12, ""},
    {IDC_STATIC, ControlKind::Label, 7, 26, 52, 8, "SMTPサーバー名"},
    {IDC_SMTP_SERVER, ControlKind::Edit, 63, 24, 105, 12, ""},
    {IDC_DISCLOSURE_MAIL, ControlKind::CheckBox, 16, 57, 81, 10, "適時情報をメールする"},
    {IDC_TEST_MAIL, ControlKind::Button, 112, 55, 56, 15, "メール送信テスト"},
    {IDC_PRICE_MAIL, ControlKind::CheckBox, 16, 93, 67, 10, "株価をメールする"},
    {IDC_INTERVAL_10, ControlKind::RadioButton, 21, 110, 43, 10, "10分間隔"},
    {IDC_INTERVAL_30, ControlKind::RadioButton, 71, 110, 43, 10, "30分間隔"},
    {IDC_INTERVAL_60, ControlKind::RadioButton, 121, 110, 40, 10, "60分間隔"},
    {IDOK_MAIL, ControlKind::DefaultButton, 66, 152, 50, 14, "OK"},
    {IDCANCEL_MAIL, ControlKind::Button, 118, 152, 50, 14, "ｷｬﾝｾﾙ"},
};

constexpr struct {
    int id;
    int minutes;
} kIntervals[] = {{IDC_INTERVAL_10, 10}, {IDC_INTERVAL_30, 30}, {IDC_INTERVAL_60, 60}};

} // namespace

MailSettingsDialog::MailSettingsDialog(MailSettingsFields& fields, LabelSetter setLabel, TestMailSender sendTestMail)
    : m_fields(fields), m_setLabel(std::move(setLabel)), m_sendTestMail(std::move(sendTestMail))
{
    setWindowTitle(QStringLiteral("メール設定"));
    setFont(DialogFont());
    CreateControls();
    OnInitDialog();
}

void MailSettingsDialog::CreateControls()
{
    const DialogUnits units(font());
    setFixedSize(units.X(kDialogUnitsWidth), units.Y(kDialogUnitsHeight));
    m_controls = CreateTemplateControls(kControls, this);
    m_intervalGroup = new QButtonGroup(this);
    for (const auto& interval : kIntervals)
        m_intervalGroup->addButton(static_cast<QRadioButton*>(m_controls.at(interval.id)), interval.id);

    connect(static_cast<QCheckBox*>(m_controls.at(IDC_PRICE_MAIL)), &QCheckBox::clicked, this,
            &MailSettingsDialog::EnableIntervalRadios);
    connect(static_cast<QPushButton*>(m_controls.at(IDC_TEST_MAIL)), &QPushButton::clicked, this,
            &MailSettingsDialog::SendTestMail);
    connect(static_cast<QPushButton*>(m_controls.at(IDOK_MAIL)), &QPushButton::clicked, this, &QDialog::accept);
    connect(static_cast<QPushButton*>(m_controls.at(IDCANCEL_MAIL)), &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* MailSettingsDialog::Control(int id) const
{
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

bool MailSettingsDialog::IsChecked(int id) const
{
    return static_cast<QAbstractButton*>(m_controls.at(id))->isChecked();
}

void MailSettingsDialog::OnInitDialog()
{
    static_cast<QLineEdit*>(m_controls.at(IDC_MAIL_ADDRESS))->setText(ToQString(m_fields.mailAddress));
    static_cast<QLineEdit*>(m_controls.at(IDC_SMTP_SERVER))->setText(ToQString(m_fields.smtpServer));
    static_cast<QCheckBox*>(m_controls.at(IDC_DISCLOSURE_MAIL))->setChecked(m_fields.disclosureMailOn != 0);
    static_cast<QCheckBox*>(m_controls.at(IDC_PRICE_MAIL))->setChecked(m_fields.priceMailOn != 0);
    // 30 stands for every interval the radios do not offer, 300 among them.
    int checked = IDC_INTERVAL_30;
    if (m_fields.priceMailInterval == 10)
        checked = IDC_INTERVAL_10;
    else if (m_fields.priceMailInterval == 60)
        checked = IDC_INTERVAL_60;
    static_cast<QRadioButton*>(m_controls.at(checked))->setChecked(true);
    if (m_fields.priceMailOn == 0)
        EnableIntervalRadios();
}

void MailSettingsDialog::EnableIntervalRadios()
{
    const bool enabled = IsChecked(IDC_PRICE_MAIL);
    for (const auto& interval : kIntervals)
        m_controls.at(interval.id)->setEnabled(enabled);
}

void MailSettingsDialog::SendTestMail()
{
    m_sendTestMail(ToSjis(static_cast<QLineEdit*>(m_controls.at(IDC_MAIL_ADDRESS))->text()),
                   ToSjis(static_cast<QLineEdit*>(m_controls.at(IDC_SMTP_SERVER))->text()));
}

void MailSettingsDialog::accept()
{
    m_fields.mailAddress = ToSjis(static_cast<QLineEdit*>(m_controls.at(IDC_MAIL_ADDRESS))->text());
    m_fields.smtpServer = ToSjis(static_cast<QLineEdit*>(m_controls.at(IDC_SMTP_SERVER))->text());

    m_fields.disclosureMailOn = IsChecked(IDC_DISCLOSURE_MAIL) ? 1 : 0;
    m_setLabel(IDC_DISCLOSURE_MAIL_STATUS, m_fields.disclosureMailOn == 1 ? texts::Sjis(texts::DisclosureMailStatus) : std::string());

    m_fields.priceMailOn = IsChecked(IDC_PRICE_MAIL) ? 1 : 0;
    m_fields.priceMailInterval = 30;
    for (const auto& interval : kIntervals) {
        if (IsChecked(interval.id)) {
            m_fields.priceMailInterval = interval.minutes;
            break;
        }
    }

    m_setLabel(IDC_PRICE_MAIL_STATUS, PriceMailStatusText(m_fields.priceMailOn, m_fields.priceMailInterval));
    QDialog::accept();
}

} // namespace zelmora
