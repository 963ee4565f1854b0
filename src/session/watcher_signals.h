#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>

#include "core/engine/watcher_observer.h"

namespace zelmora {

// The watcher's reports as Qt signals. The watcher reports from its worker
// threads; connected to objects of the GUI thread the signals arrive there,
// queued, in the order they were sent.
class WatcherSignals : public QObject, public WatcherObserver {
    Q_OBJECT
public:
    explicit WatcherSignals(QObject* parent = nullptr) : QObject(parent) {}

    void RowChanged(const RowReport& report) override { emit RowUpdated(report); }
    void RowsReplaced(const RowsReport& report) override { emit ListUpdated(report); }
    void IndexChanged(std::size_t index, const std::string& valueText, const std::string& changeText) override
    {
        emit IndexUpdated(static_cast<int>(index), valueText, changeText);
    }
    void EntryChanged(const EntryReport& report) override { emit EntryUpdated(report); }
    void AddFinished(const AddReport& report) override { emit AddDone(report); }
    void StatusChanged(const std::string& text) override { emit StatusUpdated(text); }
    void DisclosureFound(const DisclosureReport& report) override { emit NewDisclosure(report); }
    void AlertsFired(const AlertReport& report) override { emit AlertsRaised(report); }
    void MailFinished(const MailReport& report) override { emit MailDone(report); }
    void PassFinished(const PassReport& report) override { emit PassDone(report); }
    void SettingsEdited() override { emit SettingsChanged(); }
    void DisclosureDayChanged(const std::string& date) override { emit DayChanged(date); }

signals:
    void RowUpdated(const zelmora::RowReport& report);
    void ListUpdated(const zelmora::RowsReport& report);
    void IndexUpdated(int index, const std::string& valueText, const std::string& changeText);
    void EntryUpdated(const zelmora::EntryReport& report);
    void AddDone(const zelmora::AddReport& report);
    void StatusUpdated(const std::string& text);
    void NewDisclosure(const zelmora::DisclosureReport& report);
    void AlertsRaised(const zelmora::AlertReport& report);
    void MailDone(const zelmora::MailReport& report);
    void PassDone(const zelmora::PassReport& report);
    void SettingsChanged();
    void DayChanged(const std::string& date);
};

} // namespace zelmora

Q_DECLARE_METATYPE(zelmora::RowReport)
Q_DECLARE_METATYPE(zelmora::RowsReport)
Q_DECLARE_METATYPE(zelmora::EntryReport)
Q_DECLARE_METATYPE(zelmora::AddReport)
Q_DECLARE_METATYPE(zelmora::DisclosureReport)
Q_DECLARE_METATYPE(zelmora::AlertReport)
Q_DECLARE_METATYPE(zelmora::MailReport)
Q_DECLARE_METATYPE(zelmora::PassReport)
