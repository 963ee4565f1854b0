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
// and carries the market letters. OK writes into the settings at once;
// Cancel changes nothing.
class LinkUrlDialog : public QDialog {
    Q_OBJECT
public:
    LinkUrlDialog(Settings& settings, const std::vector<std::string>& indexLinks,
                  const std::vector<std::string>& stockLinks, QWidget* parent = nullptr);

    void accept() override;

private:
    void OnEntryChosen(QComboBox& combo, QLabel& name, int index);

    Settings& m_settings;
    QComboBox* m_indexCombo;  // 1053
    QLabel* m_indexName;      // 1054
    QComboBox* m_stockCombo;  // 1052
    QLabel* m_stockName;      // 1055
    std::array<QLineEdit*, kMarketCount> m_marketEdits{}; // 1045.., never shown
};

} // namespace zelmora
