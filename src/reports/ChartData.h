#pragma once

#include "reports/ChartSql.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

class FbDatabase;

// How a panel of a chart is drawn.
enum class TChartPanelKind { Grid, Bars, StackedBars, Lines, Pie };

struct TChartSeries
{
    QString Name;
    QList<double> Values; // one per category
};

// One picture: categories along the axis (or the slices of a pie), one or more series.
struct TChartPanel
{
    TChartPanelKind Kind = TChartPanelKind::Bars;
    QString Title;
    QString AxisX;
    QString AxisY;
    QStringList Categories;
    QList<TChartSeries> Series;
};

// The figures of one chart: its panels and the table of its figures beneath them (the
// table is also what the CSV file holds).
struct ChartData
{
    TChartKind Kind = TChartKind::Hours;
    QString Title;
    QString Period; // "yyyy/MM/dd～yyyy/MM/dd" and the filters, for the heading
    QList<TChartPanel> Panels;
    QStringList Captions;
    QList<QStringList> Rows;
    // No call (or for the outcomes no response and no incoming call) was counted.
    bool Empty = true;

    // Runs the chart's one statement (logged as every statement) and shapes its rows.
    // portNames: the phones' names per PORT_NO from the device settings. Database errors propagate.
    static ChartData Load(FbDatabase& db, const TChartRequest& request, const TChartSql& sql,
                          const QMap<int, QString>& portNames);
    // The phones' names of the device settings.
    static QMap<int, QString> PortNames();
    static QStringList WeekdayNames(); // Sunday first, as the database counts them

    // The table as the export's text format writes it. False when the file could not be written.
    bool WriteCsv(const QString& path) const;
};
