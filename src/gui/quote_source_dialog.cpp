#include "gui/quote_source_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QTime>

#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "core/net/stop_flag.h"
#include "core/quotes/marker_rule_learner.h"
#include "core/quotes/quote_url.h"
#include "core/text/texts.h"
#include "gui/dialog_template.h"
#include "gui/dialog_units.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

constexpr int kDialogUnitsWidth = 330;
constexpr int kDialogUnitsHeight = 208;
// A quote page larger than this is no quote page.
constexpr std::size_t kMaxQuotePageBytes = 8u << 20;

// In dialog units; the rule rows follow from kRuleRows.
const ControlTemplate kControls[] = {
    {nullptr, ControlKind::Label, 7, 9, 30, 8, "アドレス"},
    {"baseUrlEdit", ControlKind::Edit, 40, 7, 283, 12, ""},
    {nullptr, ControlKind::Label, 7, 24, 30, 8, "範囲"},
    {"windowEdit", ControlKind::Edit, 40, 22, 45, 12, ""},
    {nullptr, ControlKind::Label, 95, 24, 25, 8, "コード"},
    {"codeEdit", ControlKind::Edit, 122, 22, 30, 12, ""},
    {"tryButton", ControlKind::Button, 158, 21, 40, 14, "試す"},
    {nullptr, ControlKind::Label, 40, 41, 60, 8, "ルール"},
    {nullptr, ControlKind::Label, 200, 41, 55, 8, "結果"},
    {nullptr, ControlKind::Label, 262, 41, 60, 8, "ページの値"},
    {"learnButton", ControlKind::Button, 7, 160, 70, 14, "ページから学習"},
    {"learnHintLabel", ControlKind::Label, 82, 158, 241, 8, ""},
    {"messageLabel", ControlKind::Label, 82, 168, 241, 17, ""},
    {"defaultsButton", ControlKind::Button, 7, 188, 60, 14, "既定に戻す"},
    {"okButton", ControlKind::DefaultButton, 216, 188, 50, 14, "OK"},
    {"cancelButton", ControlKind::Button, 273, 188, 50, 14, "ｷｬﾝｾﾙ"},
};

constexpr int kRuleRowTop = 52;
constexpr int kRuleRowStep = 15;
constexpr std::array<const char*, RuleCount> kRuleNames = {"key", "銘柄名", "時間", "現在値", "前日差", "差割合", "出来高"};
constexpr std::array<const char*, RuleCount> kRuleEditNames = {"keyRuleEdit", "nameRuleEdit", "timeRuleEdit",
                                                                "priceRuleEdit", "changeRuleEdit", "rateRuleEdit",
                                                                "volumeRuleEdit"};
constexpr std::array<const char*, QuoteValueCount> kResultNames = {"nameResultLabel", "timeResultLabel", "priceResultLabel",
                                                                   "changeResultLabel", "rateResultLabel", "volumeResultLabel"};
constexpr std::array<const char*, QuoteValueCount> kSeenNames = {"nameSeenEdit", "timeSeenEdit", "priceSeenEdit",
                                                                 "changeSeenEdit", "rateSeenEdit", "volumeSeenEdit"};

std::vector<ControlTemplate> RuleRows()
{
    std::vector<ControlTemplate> rows;
    for (std::size_t k = 0; k < RuleCount; ++k) {
        const int y = kRuleRowTop + static_cast<int>(k) * kRuleRowStep;
        rows.push_back({nullptr, ControlKind::Label, 7, y + 2, 32, 8, kRuleNames[k]});
        rows.push_back({kRuleEditNames[k], ControlKind::Edit, 40, y, 155, 12, ""});
        if (k == RuleKey)
            continue;
        rows.push_back({kResultNames[k - 1], ControlKind::SunkenLabel, 200, y, 58, 12, ""});
        rows.push_back({kSeenNames[k - 1], ControlKind::Edit, 262, y, 61, 12, ""});
    }
    return rows;
}

const char* ProblemText(LearnProblem problem)
{
    switch (problem) {
    case LearnProblem::NotOnPage:
        return "ページにありません";
    case LearnProblem::OutsideWindow:
        return "範囲の外です";
    case LearnProblem::NoMarkerPair:
        return "区切りが見つかりません";
    case LearnProblem::None:
        break;
    }
    return "";
}

// Why the values that read "nodata" do, one line per reason.
QString MissingText(const std::array<MissingValue, QuoteValueCount>& why)
{
    QStringList windowEnds;
    QStringList noMarkers;
    for (std::size_t i = 0; i < QuoteValueCount; ++i) {
        const QString name = QString::fromUtf8(kRuleNames[i + 1]);
        if (why[i] == MissingValue::NoAnchor)
            return QStringLiteral("key の目印が範囲のページにありません");
        if (why[i] == MissingValue::WindowEndsBefore)
            windowEnds << name;
        else if (why[i] == MissingValue::NoMarkers)
            noMarkers << name;
    }
    QStringList lines;
    if (!windowEnds.isEmpty())
        lines << QStringLiteral("範囲が値の前で終わっています: ") + windowEnds.join(QStringLiteral("、"));
    if (!noMarkers.isEmpty())
        lines << QStringLiteral("目印がページにありません: ") + noMarkers.join(QStringLiteral("、"));
    return lines.join(QLatin1Char('\n'));
}

std::array<std::string, RuleCount> RuleTextsOf(const Settings& settings)
{
    std::array<std::string, RuleCount> rules;
    for (std::size_t k = 0; k < RuleCount; ++k)
        rules[k] = settings.markerRuleTextsInFile[k].value_or(DefaultMarkerRuleText(k));
    return rules;
}

} // namespace

// What a fetch shares with its worker, which may outlive the dialog: the
// answer goes to the dialog only while it still waits for it.
struct QuoteSourceDialog::Fetch {
    StopFlag stop;
    std::mutex mutex;
    QuoteSourceDialog* dialog = nullptr;
};

QuoteSourceDialog::QuoteSourceDialog(const Settings& settings, const std::string& code, const std::string& marketLetter,
                                     QWidget* parent)
    : QDialog(parent), m_marketLetter(marketLetter), m_rulesAtStart(RuleTextsOf(settings))
{
    setWindowTitle(QStringLiteral("株価取得元の設定"));
    setFont(DialogFont());
    CreateControls();
    m_codeEdit->setText(ToQString(code));
    Show(settings.quoteBaseUrl, m_rulesAtStart, settings.quoteWindow);
}

QuoteSourceDialog::~QuoteSourceDialog()
{
    StopFetch();
}

void QuoteSourceDialog::CreateControls()
{
    const DialogUnits units(font());
    setFixedSize(units.X(kDialogUnitsWidth), units.Y(kDialogUnitsHeight));
    CreateTemplateControls(kControls, this);
    CreateTemplateControls(RuleRows(), this);
    m_baseUrlEdit = TemplateControl<QLineEdit>(this, "baseUrlEdit");
    m_windowEdit = TemplateControl<QLineEdit>(this, "windowEdit");
    m_codeEdit = TemplateControl<QLineEdit>(this, "codeEdit");
    m_tryButton = TemplateControl<QPushButton>(this, "tryButton");
    m_messageLabel = TemplateControl<QLabel>(this, "messageLabel");
    m_messageLabel->setWordWrap(true);
    m_learnHintLabel = TemplateControl<QLabel>(this, "learnHintLabel");
    m_learnHintLabel->setText(QStringLiteral("右の値は「試す」で取得したページで読んだもの"));
    for (std::size_t k = 0; k < RuleCount; ++k) {
        m_ruleEdits[k] = TemplateControl<QLineEdit>(this, kRuleEditNames[k]);
        connect(m_ruleEdits[k], &QLineEdit::textChanged, this, &QuoteSourceDialog::ShowValues);
    }
    for (std::size_t i = 0; i < QuoteValueCount; ++i) {
        m_resultLabels[i] = TemplateControl<QLabel>(this, kResultNames[i]);
        m_seenEdits[i] = TemplateControl<QLineEdit>(this, kSeenNames[i]);
    }
    connect(m_windowEdit, &QLineEdit::textChanged, this, &QuoteSourceDialog::ShowValues);
    connect(m_tryButton, &QPushButton::clicked, this, &QuoteSourceDialog::TryPage);
    connect(TemplateControl<QPushButton>(this, "learnButton"), &QPushButton::clicked, this, &QuoteSourceDialog::LearnFromPage);
    connect(TemplateControl<QPushButton>(this, "defaultsButton"), &QPushButton::clicked, this,
            &QuoteSourceDialog::RestoreDefaults);
    connect(TemplateControl<QPushButton>(this, "okButton"), &QPushButton::clicked, this, &QDialog::accept);
    connect(TemplateControl<QPushButton>(this, "cancelButton"), &QPushButton::clicked, this, &QDialog::reject);
}

void QuoteSourceDialog::Show(const std::string& baseUrl, const std::array<std::string, RuleCount>& rules,
                             const PieceWindow& window)
{
    m_baseUrlEdit->setText(ToQString(baseUrl));
    for (std::size_t k = 0; k < RuleCount; ++k)
        m_ruleEdits[k]->setText(ToQString(rules[k]));
    m_windowEdit->setText(QString::fromStdString(PieceWindowText(window)));
}

std::optional<PieceWindow> QuoteSourceDialog::Window() const
{
    return ParsePieceWindow(m_windowEdit->text().toStdString());
}

MarkerRules QuoteSourceDialog::Rules() const
{
    MarkerRules rules;
    for (std::size_t k = 0; k < RuleCount; ++k)
        rules[k] = ParseMarkerRule(ToSjis(m_ruleEdits[k]->text()), k == RuleKey);
    return rules;
}

// A newer fetch ends the one still running; only the newest answer shows.
void QuoteSourceDialog::TryPage()
{
    StopFetch();
    const std::string code = ToSjis(m_codeEdit->text());
    const std::string address = BuildQuoteUrl(ToSjis(m_baseUrlEdit->text()), code, code.size() == 4 ? m_marketLetter : "");
    const std::uint64_t number = ++m_fetches;
    m_messageLabel->setText(QStringLiteral("取得中…"));
    auto fetch = std::make_shared<Fetch>();
    fetch->dialog = this;
    try {
        std::thread([fetch, address, number] {
            HttpSession session(&fetch->stop);
            WholeBody page = FetchWholeBody(session, address, kMaxQuotePageBytes);
            const std::lock_guard hold(fetch->mutex);
            if (QuoteSourceDialog* dialog = fetch->dialog)
                QMetaObject::invokeMethod(
                    dialog, [dialog, number, page = std::move(page)] { dialog->OnPageFetched(number, page); },
                    Qt::QueuedConnection);
        }).detach();
        m_fetch = std::move(fetch);
    } catch (const std::system_error&) {
        OnPageFetched(number, WholeBody{});
    }
}

// Ends the fetch in flight without waiting for its worker; an answer it
// has already sent is no longer the newest.
void QuoteSourceDialog::StopFetch()
{
    ++m_fetches;
    const std::shared_ptr<Fetch> fetch = std::exchange(m_fetch, nullptr);
    if (!fetch)
        return;
    fetch->stop.Raise();
    const std::lock_guard hold(fetch->mutex);
    fetch->dialog = nullptr;
}

void QuoteSourceDialog::OnPageFetched(std::uint64_t fetch, const WholeBody& page)
{
    if (fetch != m_fetches)
        return;
    m_tried = true;
    m_havePage = page.kind == WholeBody::Ok;
    m_page = m_havePage ? page.bytes : std::string();
    if (m_havePage)
        m_learnHintLabel->setText(QStringLiteral("右の値は %1 に取得したページで読んだもの")
                                      .arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    ShowValues();
    if (!m_havePage)
        m_messageLabel->setText(page.kind == WholeBody::HttpStatus ? QStringLiteral("ページを取得できません（%1）").arg(page.status)
                                                                    : QStringLiteral("ページを取得できません"));
    emit PageTried();
}

// What the rules as they stand give on the page fetched last, "nodata" in
// red, and under the table why a value reads so.
void QuoteSourceDialog::ShowValues()
{
    const std::optional<PieceWindow> window = Window();
    QuoteValues values;
    if (m_tried)
        values.fill(std::string(kNoData));
    if (m_havePage && window) {
        const PageReading reading = ReadPageWithReasons(m_page, Rules(), *window);
        values = reading.values;
        m_messageLabel->setText(MissingText(reading.missing));
    }
    for (std::size_t i = 0; i < QuoteValueCount; ++i) {
        m_resultLabels[i]->setText(ToQString(values[i]));
        // A palette, not a style sheet, so the label keeps the dialog's face.
        QPalette palette = this->palette();
        if (values[i] == kNoData)
            palette.setColor(QPalette::WindowText, Qt::red);
        m_resultLabels[i]->setPalette(palette);
    }
}

void QuoteSourceDialog::LearnFromPage()
{
    if (!m_havePage) {
        m_messageLabel->setText(QStringLiteral("先に「試す」でページを取得してください"));
        return;
    }
    SeenValues seen;
    for (std::size_t i = 0; i < QuoteValueCount; ++i) {
        const std::string value = ToSjis(m_seenEdits[i]->text().trimmed());
        if (!value.empty())
            seen[i] = value;
    }
    const LearnedRules learned = LearnMarkerRules(m_page, seen, Window().value_or(PieceWindow{}));
    Show(ToSjis(m_baseUrlEdit->text()), learned.texts, learned.window);
    QStringList problems;
    for (std::size_t i = 0; i < QuoteValueCount; ++i) {
        if (learned.problems[i] != LearnProblem::None)
            problems << QString::fromUtf8(kRuleNames[i + 1]) + QStringLiteral("：") + QString::fromUtf8(ProblemText(learned.problems[i]));
    }
    m_messageLabel->setText(problems.isEmpty() ? QStringLiteral("学習しました") : problems.join(QStringLiteral("　")));
}

void QuoteSourceDialog::RestoreDefaults()
{
    std::array<std::string, RuleCount> rules;
    for (std::size_t k = 0; k < RuleCount; ++k)
        rules[k] = DefaultMarkerRuleText(k);
    Show(texts::Sjis(texts::DefaultBaseUrl), rules, PieceWindow{});
    m_messageLabel->clear();
}

// A window that is no window keeps the dialog open.
void QuoteSourceDialog::accept()
{
    if (!Window()) {
        m_messageLabel->setText(QStringLiteral("範囲は「151-201」の形で、2000 ピースまでです"));
        return;
    }
    QDialog::accept();
}

void QuoteSourceDialog::done(int result)
{
    StopFetch();
    QDialog::done(result);
}

// Rules left as they were keep their place in the file, or their absence.
void QuoteSourceDialog::ApplyTo(Settings& settings) const
{
    settings.quoteBaseUrl = ToSjis(m_baseUrlEdit->text());
    for (std::size_t k = 0; k < RuleCount; ++k) {
        const std::string text = ToSjis(m_ruleEdits[k]->text());
        if (text != m_rulesAtStart[k])
            SetMarkerRuleText(settings, k, text);
    }
    settings.quoteWindow = Window().value_or(settings.quoteWindow);
}

} // namespace zelmora
