#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "core/net/whole_body_fetch.h"
#include "core/quotes/page_window_cutter.h"
#include "core/quotes/quote_record.h"
#include "core/settings/settings.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zelmora {

// "株価取得元の設定": the quote address, the seven marker rules and the window
// of pieces they read. "試す" fetches the page of a code (on a worker that
// closing the dialog cancels and never waits for) and shows the six values the rules give; "ページから学習" learns
// rules from that page and the values the user reads on it; "既定に戻す"
// shows the built-in values. What OK confirmed is applied with ApplyTo;
// Cancel changes nothing.
class QuoteSourceDialog : public QDialog {
    Q_OBJECT
public:
    // code and marketLetter: the stock "試す" starts with.
    QuoteSourceDialog(const Settings& settings, const std::string& code, const std::string& marketLetter,
                      QWidget* parent = nullptr);
    ~QuoteSourceDialog() override;

    // Writes the address, the rules the user changed and the window.
    void ApplyTo(Settings& settings) const;

    void accept() override;
    void done(int result) override;

signals:
    // A fetch started by "試す" has ended and its values show.
    void PageTried();

private:
    void CreateControls();
    void Show(const std::string& baseUrl, const std::array<std::string, RuleCount>& rules, const PieceWindow& window);
    void TryPage();
    void StopFetch();
    void OnPageFetched(std::uint64_t fetch, const WholeBody& page);
    void ShowValues();
    void LearnFromPage();
    void RestoreDefaults();
    std::optional<PieceWindow> Window() const;
    MarkerRules Rules() const;

    std::string m_marketLetter;
    std::array<std::string, RuleCount> m_rulesAtStart;
    QLineEdit* m_baseUrlEdit;
    QLineEdit* m_windowEdit;
    QLineEdit* m_codeEdit;
    QPushButton* m_tryButton;
    std::array<QLineEdit*, RuleCount> m_ruleEdits{};
    std::array<QLabel*, QuoteValueCount> m_resultLabels{};
    std::array<QLineEdit*, QuoteValueCount> m_seenEdits{};
    QLabel* m_messageLabel;
    QLabel* m_learnHintLabel;

    std::string m_page; // the whole body "試す" fetched last
    bool m_havePage = false;
    bool m_tried = false; // "試す" has answered once
    std::uint64_t m_fetches = 0;
    struct Fetch;
    std::shared_ptr<Fetch> m_fetch; // the one in flight
};

} // namespace zelmora
