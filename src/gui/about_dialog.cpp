#include "gui/about_dialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "gui/art.h"
#include "gui/dialog_units.h"
#include "session/sjis_qstring.h"

namespace zelmora {

AboutDialog::AboutDialog(const std::string& softName, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ZELMORA株価"));
    setWindowIcon(ProgramIcon());
    setFont(DialogFont());

    auto* name = new QLabel(ToQString(softName), this);
    name->setObjectName(QStringLiteral("programNameLabel"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QStringLiteral("株価と適時開示を見守るウォッチリスト"), this), 0, Qt::AlignHCenter);
    layout->addWidget(new QLabel(QStringLiteral("© Zelmora の作者たち"), this), 0, Qt::AlignHCenter);
    auto* licence = new QLabel(QStringLiteral("GPL-3.0-or-later の自由ソフトウェアです"), this);
    licence->setObjectName(QStringLiteral("licenceLabel"));
    layout->addWidget(licence, 0, Qt::AlignHCenter);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace zelmora
