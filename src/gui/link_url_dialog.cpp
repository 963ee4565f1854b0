#include "gui/link_url_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "core/links/link_template.h"
#include "core/text/sjis.h"
#include "gui/art.h"
#include "gui/dialog_units.h"
#include "session/sjis_qstring.h"

namespace zelmora {
namespace {

// Only the width may change; the height is this unless the face needs more.
constexpr int kMinWidth = 523;
constexpr int kHeight = 170;

QComboBox* LinkCombo(const std::vector<std::string>& entries, const std::string& url, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    // Long addresses scroll in the field instead of widening the dialog.
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(20);
    // The list shows each entry's label; the whole "label _address" line
    // stays with it for the choice.
    for (const std::string& entry : entries) {
        const std::optional<LinkTemplateParts> parts = SplitLinkTemplate(entry);
        combo->addItem(ToQString(parts ? parts->label : entry), ToQString(entry));
    }
    combo->setCurrentIndex(-1);
    combo->setEditText(ToQString(url));
    return combo;
}

} // namespace

LinkUrlDialog::LinkUrlDialog(const Settings& settings, const std::vector<std::string>& indexLinks,
                             const std::vector<std::string>& stockLinks, QWidget* parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("リンクURL設定"));
    setWindowIcon(ProgramIcon());
    setFont(DialogFont());

    m_indexCombo = LinkCombo(indexLinks, settings.indexOpenUrl, this);
    m_indexCombo->setObjectName(QStringLiteral("indexLinkCombo"));
    m_indexName = new QLabel(ToQString(settings.indexLinkName), this);
    m_indexName->setObjectName(QStringLiteral("indexLinkNameLabel"));
    m_stockCombo = LinkCombo(stockLinks, settings.quoteOpenUrl, this);
    m_stockCombo->setObjectName(QStringLiteral("stockLinkCombo"));
    m_stockName = new QLabel(ToQString(settings.stockLinkName), this);
    m_stockName->setObjectName(QStringLiteral("stockLinkNameLabel"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("日経リンクURL"), this), 0, 0);
    layout->addWidget(m_indexName, 0, 1);
    layout->addWidget(m_indexCombo, 1, 0, 1, 2);
    layout->addWidget(new QLabel(QStringLiteral("銘柄リンクURL"), this), 2, 0);
    layout->addWidget(m_stockName, 2, 1);
    layout->addWidget(m_stockCombo, 3, 0, 1, 2);
    layout->setColumnStretch(1, 1);

    for (std::size_t i = 0; i < m_marketEdits.size(); ++i) {
        m_marketEdits[i] = new QLineEdit(ToQString(settings.marketCodes[i]), this);
        m_marketEdits[i]->hide();
    }

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    // The buttons keep the dialog's margin from its edges in every face.
    const int margin = DialogUnits(font()).X(7);
    layout->setContentsMargins(margin, margin, margin, margin);
    layout->setRowMinimumHeight(4, buttons->sizeHint().height() + margin / 2);
    layout->addWidget(buttons, 4, 0, 1, 2, Qt::AlignBottom);

    connect(m_indexCombo, &QComboBox::activated, this, [this](int index) { OnEntryChosen(*m_indexCombo, *m_indexName, index); });
    connect(m_stockCombo, &QComboBox::activated, this, [this](int index) { OnEntryChosen(*m_stockCombo, *m_stockName, index); });

    // A taller face needs more than the height drawn for the dialog.
    const int height = std::max(kHeight, layout->totalMinimumSize().height());
    setMinimumSize(kMinWidth, height);
    setMaximumHeight(height);
    resize(kMinWidth, height);
}

// The edit field takes the chosen entry's address and the label goes beside
// it. An entry without "_" changes nothing.
void LinkUrlDialog::OnEntryChosen(QComboBox& combo, QLabel& name, int index)
{
    const std::optional<LinkTemplateParts> parts = SplitLinkTemplate(ToSjis(combo.itemData(index).toString()));
    if (!parts)
        return;
    name.setText(ToQString(parts->label));
    combo.setEditText(ToQString(parts->url));
}

void LinkUrlDialog::ApplyTo(Settings& settings) const
{
    settings.stockLinkName = ToSjis(m_stockName->text());
    settings.indexLinkName = ToSjis(m_indexName->text());
    settings.quoteOpenUrl = ToSjis(m_stockCombo->currentText());
    settings.indexOpenUrl = ToSjis(m_indexCombo->currentText());
    for (std::size_t i = 0; i < m_marketEdits.size(); ++i)
        settings.marketCodes[i] = std::string(CutSjis(ToSjis(m_marketEdits[i]->text()), kMarketCodeLength));
}

} // namespace zelmora
