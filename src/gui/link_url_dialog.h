#pragma once

#include <QDialog>

#include <array>
#include <string>
#include <vector>

#include "core/settings/settings.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace zelmora {

// "リンクURL設定": chooses the index and stock pages that the window opens
// and carries the market letters. What OK confirmed is applied with ApplyTo;
// Cancel changes nothing.
class LinkUrlDialog : public QDialog {
    Q_OBJECT
public:
    LinkUrlDialog(const Settings& settings, const std::vector<std::string>& indexLinks,
                  const std::vector<std::string>& stockLinks, QWidget* parent = nullptr);

    // Writes the dialog's fields into the settings.
    void ApplyTo(Settings& settings) const;

private:
    void OnEntryChosen(QComboBox& combo, QLabel& name, int index);

    QComboBox* m_indexCombo;
    QLabel* m_indexName;
    QComboBox* m_stockCombo;
    QLabel* m_stockName;
    std::array<QLineEdit*, kMarketCount> m_marketEdits{}; // never shown
};

} // namespace zelmora
