// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include "bench/benchrun.h"
#include "bench/scratchfolder.h"
#include "bench/verify.h"

#include <QDialog>
#include <QPointer>
#include <QProcess>

#include <memory>
#include <optional>

class ChartWidget;
class MainWindow;
class Platform;
class QDialogButtonBox;
class QLabel;
class QProgressBar;
class QTableWidget;
class TForm1;

// What the check runs on: the source text as a save would write it from the window's grid and
// settings (the active table's angles stored as codes first), never the file itself.
struct TimingCheckInput
{
    QByteArray sourceBytes;
    QString fileName;
    int activeTable = 1;
    unsigned char language = 0;
    CheckMode mode = CheckMode::Quick;
};

// The input, or the message that stops the check (no source loaded, an angle out of range, a
// text that is not a number, a source the writer cannot rewrite), in the window's language.
struct TimingCheckStart
{
    std::optional<TimingCheckInput> input;
    QString message;
};
TimingCheckStart timingCheckInput(TForm1 &form);

// The check: assembles the text in a temporary folder, runs the bench on all three tables with a
// progress bar and Cancel, then shows the report by sections as the command line prints it (the
// image check, the points of each section with one row per point, out of tolerance in red, the
// static findings) and a one-line verdict. It puts the active table's measured steady points on
// the chart and, in full mode, every revolution of its ramps as traces for the timing-light view.
class TimingCheckDialog : public QDialog
{
    Q_OBJECT
public:
    TimingCheckDialog(TimingCheckInput input, ChartWidget *chart, QWidget *parent = nullptr);
    ~TimingCheckDialog() override;

    void start();
    // Assembling or simulating.
    bool isRunning() const;
    const VerifyReport &report() const { return m_report; }
    QString verdict() const;
    QString failure() const { return m_failure; }
    QTableWidget *table() const { return m_table; }
    // The table row of point `index` of the report, -1 when it has none.
    int tableRow(int index) const
    {
        return index >= 0 && index < m_rowOfPoint.size() ? m_rowOfPoint[index] : -1;
    }

    // Cancel (also Esc and closing the window): stops the assembler and the runners.
    void reject() override;

signals:
    void checkEnded();

private:
    void finishRun();
    void failRun(const QString &detail);
    void showReport();
    void addSectionRow(const QString &title);
    void addTextRow(const QString &text, bool failed);
    QString tr2(QStringView russian, QStringView english) const;

    TimingCheckInput m_input;
    QPointer<ChartWidget> m_chart;
    ScratchFolder m_folder;
    AssemblerCall m_call;
    QProcess m_assembler;
    BenchFirmware m_firmware;
    BenchRun m_run;
    VerifyReport m_report;
    QString m_failure;
    QLabel *m_status;
    QProgressBar *m_progress;
    QTableWidget *m_table;
    QLabel *m_verdict;
    QDialogButtonBox *m_buttons;
    QList<int> m_rowOfPoint;
};

// The window's command: builds the input from the window, warns and stops when it cannot, or
// opens the dialog (deleted when closed) and starts the check. Returns the dialog.
TimingCheckDialog *startTimingCheck(MainWindow &window, Platform &platform,
                                    CheckMode mode = CheckMode::Quick);
// The window's entries: the quick and the full check in the Tools menu, and in the View menu the
// switch between the table's steps with the measured points and the timing-light view of the
// ramps, enabled while a full check's ramps are on the chart.
void addTimingCheckCommands(MainWindow &window, Platform &platform);
