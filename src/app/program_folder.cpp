#include "app/program_folder.h"

#include <QCoreApplication>
#include <QDir>

namespace zelmora {

std::string ProgramFolder()
{
    return QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QDir::separator()).toStdString();
}

} // namespace zelmora
