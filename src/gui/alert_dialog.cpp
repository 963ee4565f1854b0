#include "gui/alert_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

constexpr int kDialogUnitsWidth = 174;
constexpr int kDialogUnitsHeight = 124;

const ControlTemplate kControls[] = {
    {"stockLabel", ControlKind::Label, 7, 7, 160, 9, ""},
    {"quoteLabel", ControlKind::Label, 7, 19, 160, 9, ""},
    {nullptr, ControlKind::Label, 7, 37, 34, 8, "上限"},
    {"upperEdit", ControlKind::Edit, 43, 35, 60, 12, ""},
    {nullptr, ControlKind::Label, 107, 37, 60, 8, "円以上"},
    {nullptr, ControlKind::Label, 7, 53, 34, 8, "下限"},
    {"lowerEdit", ControlKind::Edit, 43, 51, 60, 12, ""},
    {nullptr, ControlKind::Label, 107, 53, 60, 8, "円以下"},
    {nullptr, ControlKind::Label, 7, 69, 34, 8, "変化率"},
    {"rateEdit", ControlKind::Edit, 43, 67, 60, 12, ""},
    {nullptr, ControlKind::Label, 107, 69, 60, 8, "%以上（±）"},
    {"problemLabel", ControlKind::Label, 7, 84, 160, 17, ""},
    {"clearButton", ControlKind::Button, 7, 104, 50, 14, "解除"},
    {"okButton", ControlKind::DefaultButton, 63, 104, 50, 14, "OK"},
    {"cancelButton", ControlKind::Button, 117, 104, 50, 14, "ｷｬﾝｾﾙ"},
};

constexpr std::array<const char*, kAlertConditionCount> kEditNames = {"upperEdit", "lowerEdit", "rateEdit"};
constexpr std::array<const char*, kAlertConditionCount> kFieldNames = {"上限", "下限", "変化率"};

} // namespace

bool ReadAlertField(const QString& text, std::optional<AlertNumber>& number)
{
    // Width folding turns full-width digits, "，" and "．" into ASCII.
    const QString folded = text.normalized(QString::NormalizationForm_KC).trimmed();
    number.reset();
    if (folded.isEmpty())
        return true;
    for (const QChar c : folded) {
        if (!c.isDigit() && c != QLatin1Char(',') && c != QLatin1Char('.'))
            return false;
    }
    number = ParseAlertNumber(folded.toStdString());
    return number && *number > 0;
}

AlertDialog::AlertDialog(const QString& stock, const QString& quote, const AlertThresholds& thresholds, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("アラート設定"));
    setFont(DialogFont());
    const DialogUnits units(font());
    setFixedSize(units.X(kDialogUnitsWidth), units.Y(kDialogUnitsHeight));
    CreateTemplateControls(kControls, this);
    TemplateControl<QLabel>(this, "stockLabel")->setText(stock);
    TemplateControl<QLabel>(this, "quoteLabel")->setText(QStringLiteral("現在値 ") + quote);
    m_problemLabel = TemplateControl<QLabel>(this, "problemLabel");
    m_problemLabel->setWordWrap(true);
    m_problemLabel->setStyleSheet(QStringLiteral("color: #c00000"));
    m_okButton = TemplateControl<QPushButton>(this, "okButton");
    for (std::size_t i = 0; i < kAlertConditionCount; ++i) {
        m_edits[i] = TemplateControl<QLineEdit>(this, kEditNames[i]);
        if (thresholds.values[i])
            m_edits[i]->setText(QString::fromStdString(FormatAlertNumber(*thresholds.values[i])));
        connect(m_edits[i], &QLineEdit::textChanged, this, &AlertDialog::Check);
    }
    connect(TemplateControl<QPushButton>(this, "clearButton"), &QPushButton::clicked, this, [this] {
        for (QLineEdit* edit : m_edits)
            edit->clear();
    });
    connect(m_okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(TemplateControl<QPushButton>(this, "cancelButton"), &QPushButton::clicked, this, &QDialog::reject);
    Check();
}

AlertThresholds AlertDialog::Thresholds() const
{
    AlertThresholds thresholds;
    for (std::size_t i = 0; i < kAlertConditionCount; ++i)
        ReadAlertField(m_edits[i]->text(), thresholds.values[i]);
    return thresholds;
}

void AlertDialog::Check()
{
    QString problem;
    AlertThresholds thresholds;
    for (std::size_t i = 0; i < kAlertConditionCount && problem.isEmpty(); ++i) {
        if (!ReadAlertField(m_edits[i]->text(), thresholds.values[i]))
            problem = QString::fromUtf8(kFieldNames[i]) + QStringLiteral("は正の数で入力してください");
    }
    const auto upper = thresholds.Of(AlertCondition::Upper);
    const auto lower = thresholds.Of(AlertCondition::Lower);
    if (problem.isEmpty() && upper && lower && *upper <= *lower)
        problem = QStringLiteral("上限は下限より大きくしてください");
    m_problemLabel->setText(problem);
    m_okButton->setEnabled(problem.isEmpty());
}

} // namespace zelmora
