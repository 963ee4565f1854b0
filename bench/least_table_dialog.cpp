// The least Qt 6 program with a window like Zelmora's: one dialog holding a
// table of five rows and eleven columns, in Japanese. resident_memory.sh measures
// Zelmora's resident size against it.
#include <QApplication>
#include <QDialog>
#include <QTableWidget>
#include <QVBoxLayout>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QDialog dialog;
    auto* table = new QTableWidget(5, 11, &dialog);
    for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 11; ++column)
            table->setItem(row, column, new QTableWidgetItem(QStringLiteral("トヨタ 7203")));
    }
    (new QVBoxLayout(&dialog))->addWidget(table);
    dialog.resize(640, 353);
    dialog.show();
    return app.exec();
}
