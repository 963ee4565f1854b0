#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QWidget>

#include <stdexcept>

#include "gui/dialog_template.h"

using namespace zelmora;

// A misspelt name or a control of another kind is said by name, in every
// build, when the window is built.
TEST(DialogTemplate, AControlTheLayoutLacksIsNamed)
{
    const ControlTemplate layout[] = {{"okButton", ControlKind::DefaultButton, 0, 0, 50, 14, "OK"},
                                      {"noteLabel", ControlKind::Label, 0, 20, 50, 8, "note"}};
    QWidget dialog;
    CreateTemplateControls(layout, &dialog);
    EXPECT_EQ(TemplateControl<QLabel>(&dialog, "noteLabel")->text(), QStringLiteral("note"));
    const struct {
        const char* name;
        const QMetaObject& type;
        const char* message;
    } cases[] = {
        {"noteLabl", QLabel::staticMetaObject, "control 'noteLabl' of type QLabel is not in the layout"},
        {"okButton", QLabel::staticMetaObject, "control 'okButton' of type QLabel is not in the layout (it is a QPushButton)"},
    };
    for (const auto& c : cases) {
        try {
            CheckedTemplateControl(dialog, c.name, c.type);
            ADD_FAILURE() << c.name << " was found";
        } catch (const std::logic_error& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}
