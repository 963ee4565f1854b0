#pragma once

#include <QString>
#include <QWidget>

#include <string>
#include <vector>

class QLabel;

namespace zelmora {

class DayChart;

// The chart of one stock's day in a window of its own: a line above the
// chart names the stock, the day and its last price. It reads the day's
// record and disclosures when it opens, when the day changes and after each
// quote pass; closing it frees all of it.
class DayChartWindow : public QWidget {
    Q_OBJECT
public:
    struct Stock {
        std::string programFolder;
        std::string code;
        QString name;
        std::string listBase; // where the history's document addresses begin
    };

    DayChartWindow(Stock stock, std::string date, QWidget* parent);

    const std::string& Code() const { return m_stock.code; }
    // The day shown, yyyymmdd: any day whose record exists.
    void ShowDate(std::string date);
    // Reads the day again, as a pass may have added to it.
    void Reload();
    // The row's alert thresholds, drawn as lines across the day.
    void SetThresholds(std::vector<double> prices);

private:
    Stock m_stock;
    std::string m_date;
    QLabel* m_header;
    DayChart* m_chart;
};

} // namespace zelmora
