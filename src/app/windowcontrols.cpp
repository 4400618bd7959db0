// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The window's controls: made, placed and connected to their handlers.
#include "app/unit1.h"

#include "app/editcommands.h"
#include "app/edittexts.h"
#include "app/gridview.h"
#include "app/inputguards.h"
#include "app/keyfilter.h"
#include "app/windowfont.h"
#include "chart/chartseries.h"
#include "chart/chartwidget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

template <typename Control>
Control *place(QWidget *parent, int left, int top, int width, int height)
{
    auto *control = new Control(parent);
    control->setGeometry(left, top, width, height);
    return control;
}

// An editable box that keeps exactly what is typed: completing "4" to "40" would recompute the
// angles for a sensor angle nobody typed. A line edit that comes with a completer keeps the
// toolkit from making one for the box, which is then taken away (`none` is that completer);
// the box's list is made when it is first opened.
void makeEditable(QComboBox *box, QCompleter *none)
{
    auto *edit = new QLineEdit(box);
    edit->setCompleter(none);
    box->setLineEdit(edit);
    box->setCompleter(nullptr);
    box->setInsertPolicy(QComboBox::NoInsert);
}

// A label as large as its text in whatever font it ends up with: a desktop font or a style
// sheet applied after the captions were set does not clip it.
class FittedLabel final : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void changeEvent(QEvent *event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            adjustSize();
    }
};

QLabel *placeLabel(QWidget *parent, int left, int top)
{
    auto *label = new FittedLabel(parent);
    label->move(left, top);
    return label;
}

} // namespace

void TForm1::createControls()
{
    setFixedSize(873, 535);
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setFont(windowFont());

    Memo1 = place<QPlainTextEdit>(this, 16, 120, 177, 153);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Memo1->setFocusPolicy(Qt::StrongFocus);
    Memo1->setAccessibleName(QStringLiteral("Memo1"));
    QCompleter none;

    Button1 = place<QPushButton>(this, 16, 16, 81, 33);
    StringGrid1 = place<GridView>(this, 208, 16, 201, 505);
    StringGrid1->setModel(&m_grid);
    StringGrid1->setAccessibleName(QStringLiteral("StringGrid1"));

    ComboBox1 = place<QComboBox>(this, 40, 88, 49, 21);
    makeEditable(ComboBox1, &none);
    ComboBox1->setAccessibleName(QStringLiteral("ComboBox1"));

    Series1 = new ChartSeries(this);
    Chart1 = place<ChartWidget>(this, 416, 16, 449, 505);
    Chart1->setSeries(Series1);
    Chart1->setFocusPolicy(Qt::NoFocus);
    // Whatever the cells hold, the axes stay on engine speeds and advance angles.
    Chart1->setLimits({0, 25000, -180, 180});

    Button2 = place<QPushButton>(this, 16, 344, 177, 33);
    Button3 = place<QPushButton>(this, 16, 472, 177, 49);
    Button4 = place<QPushButton>(this, 120, 304, 73, 33);
    ComboBox2 = place<QComboBox>(this, 64, 312, 41, 21);
    makeEditable(ComboBox2, &none);
    ComboBox2->setAccessibleName(QStringLiteral("ComboBox2"));
    Button5 = place<QPushButton>(this, 16, 384, 177, 33);
    Button6 = place<QPushButton>(this, 16, 424, 177, 33);
    Button7 = place<QPushButton>(this, 112, 16, 81, 33);
    ComboBox3 = place<QComboBox>(this, 120, 88, 57, 21);
    makeEditable(ComboBox3, &none);
    ComboBox3->setAccessibleName(QStringLiteral("ComboBox3"));
    CheckBox1 = place<QCheckBox>(this, 24, 88, 12, 17);
    CheckBox1->setAccessibleName(QStringLiteral("CheckBox1"));
    ComboBox4 = place<QComboBox>(this, 112, 280, 65, 21);
    ComboBox4->setAccessibleName(QStringLiteral("ComboBox4"));

    Label4 = placeLabel(this, 64, 56);
    Label1 = placeLabel(this, 44, 72);
    Label3 = placeLabel(this, 128, 72);
    Label5 = placeLabel(this, 24, 285);
    Label2 = placeLabel(this, 24, 317);

    // Tab order: every windowed control but the chart.
    QWidget *const tabOrder[] = {Memo1,   Button1,   StringGrid1, ComboBox1, Button2,
                                 Button3, Button4,   ComboBox2,   Button5,   Button6,
                                 Button7, ComboBox3, CheckBox1,   ComboBox4};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    OpenDialog1.filter = QStringLiteral("asm|*asm|hex|*.hex");
    OpenDialog1.fileName = QStringLiteral("CDI.asm");

    connect(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(Button5, &QPushButton::clicked, this, &TForm1::Button5Click);
    connect(Button6, &QPushButton::clicked, this, &TForm1::Button6Click);
    connect(Button7, &QPushButton::clicked, this, &TForm1::Button7Click);
    // The document takes every change of a box before anything else hears of it.
    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3})
        connect(box, &QComboBox::currentTextChanged, this, &TForm1::takeSettings);
    connect(ComboBox4, &QComboBox::currentIndexChanged, this, &TForm1::takeSettings);
    connect(CheckBox1, &QCheckBox::toggled, this, &TForm1::takeSettings);
    // ... and the boxes show the document's settings whenever it is replaced.
    connect(&m_grid, &GridModel::settingsChanged, this, &TForm1::showSettings);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &TForm1::ComboBox1Change);
    connect(ComboBox2, &QComboBox::currentTextChanged, this, &TForm1::ComboBox2Change);
    // A paste that a field would take only part of changes nothing and says so.
    const PasteRefused pasteRefused = [this](const QString &pasted) {
        m_platform.showWarning(this, pasteRefusedText(pasted, m_state.Language));
    };
    TypedKeyFilter::install(
        ComboBox1, [this](QChar &key) { ComboBox1KeyPress(key); }, 2, pasteRefused);
    TypedKeyFilter::install(
        ComboBox2, [this](QChar &key) { ComboBox2KeyPress(key); }, 1, pasteRefused);
    TypedKeyFilter::install(
        ComboBox3, [this](QChar &key) { ComboBox3KeyPress(key); }, 0, pasteRefused);

    StringGrid1->selectCell = [this](int column, int row) {
        return StringGrid1SelectCell(column, row);
    };
    StringGrid1->keyPress = [this](QChar &key) { StringGrid1KeyPress(key); };
    StringGrid1->pasteRefused = pasteRefused;

    m_changes.watch(m_grid, [this] { return m_commands && m_commands->differsFromSaved(); });

    for (QComboBox *box : {ComboBox1, ComboBox2, ComboBox3, ComboBox4})
        ignoreWheelWithoutFocus(box);
    FocusMark::install(StringGrid1);
    connect(&m_changes, &ChangeTracker::editedChanged, this, &TForm1::documentStateChanged);
}
