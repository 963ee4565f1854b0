#pragma once

#include <QDialog>

#include <string>

namespace zelmora {

// "バージョン情報": the program's title with its version, its credits and
// its licence.
class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(const std::string& softName, QWidget* parent = nullptr);
};

} // namespace zelmora
