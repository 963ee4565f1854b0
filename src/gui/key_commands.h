#pragma once

#include <QObject>

#include <functional>
#include <map>
#include <utility>

class QWidget;

namespace zelmora {

// Keys the main window takes before its controls do: a bound key on a
// control runs its action and goes no further.
class KeyCommands : public QObject {
    Q_OBJECT
public:
    explicit KeyCommands(QObject* parent) : QObject(parent) {}

    // Enter counts as Return.
    void Bind(QWidget* control, int key, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::map<std::pair<QObject*, int>, std::function<void()>> m_actions;
};

} // namespace zelmora
