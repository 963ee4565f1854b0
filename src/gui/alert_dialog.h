#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <optional>

#include "core/alerts/price_alert.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelmora {

// "アラート設定": a row's stock and quote, its three thresholds (上限, 下限,
// 変化率), "解除" to clear them, OK and Cancel. A field that is no number,
// or an upper threshold not above the lower one, is named under the fields
// and OK stays disabled.
class AlertDialog : public QDialog {
    Q_OBJECT
public:
    // stock: "7203 トヨタ自動車"; quote: "2,905 (+1.2%)".
    AlertDialog(const QString& stock, const QString& quote, const AlertThresholds& thresholds,
                QWidget* parent = nullptr);

    // What the fields say; meaningful once OK is enabled.
    AlertThresholds Thresholds() const;

private:
    void Check();

    std::array<QLineEdit*, kAlertConditionCount> m_edits;
    QLabel* m_problemLabel;
    QPushButton* m_okButton;
};

// A field's number: digits of either width, "," and one "."; nothing for an
// empty field; false for anything else or a value not above zero.
bool ReadAlertField(const QString& text, std::optional<AlertNumber>& number);

} // namespace zelmora
