// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/hints.h"

#include "app/commandtexts.h"
#include "app/gridmodel.h"
#include "app/gridview.h"
#include "app/unit1.h"
#include "chart/chartwidget.h"
#include "domain/language.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHelpEvent>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolTip>

namespace {

// Grid tooltips depend on the column under the pointer and on the active table.
class GridHints final : public QObject
{
public:
    static constexpr char kName[] = "gridHints";

    explicit GridHints(TForm1 &form) : QObject(&form), m_form(form)
    {
        setObjectName(QLatin1String(kName));
        form.StringGrid1->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::ToolTip)
            return false;
        auto *help = static_cast<QHelpEvent *>(event);
        const int column = m_form.StringGrid1->columnAt(help->pos().x());
        const QString text = columnHint(column);
        if (text.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), text, m_form.StringGrid1->viewport());
        return true;
    }

private:
    QString columnHint(int column) const
    {
        const unsigned char language = m_form.state().Language;
        if (column == GridModel::kRpmColumn)
            return pick({u"Обороты двигателя, об/мин: точки, в которых меняется угол. Первая "
                         u"точка, 460, — холостой ход и не меняется.",
                         u"Engine speed, rpm: the points where the advance changes. The first "
                         u"point, 460, is idle and stays fixed."},
                        language);
        if (column >= 1 && column <= 3) {
            const QString active = m_form.ComboBox2->currentText();
            QString text =
                pick({u"Таблица %1: коды в том виде, в каком они записаны в прошивке (0–255: "
                      u"шаги по 0,7° от угла датчика, 180 — нет искры). Меняются только "
                      u"кнопкой «Сохранить в таблицу».",
                      u"Table %1: raw codes as the firmware stores them (0–255: steps of 0.7° "
                      u"from the sensor angle, 180 = no spark). Changed only by \"Save to "
                      u"table\"."},
                     language)
                    .arg(column);
            if (active == QString::number(column))
                text += pick({u" Это активная таблица.", u" This is the active table."}, language);
            return text;
        }
        if (column == GridModel::kAngleColumn)
            return pick({u"УОЗ активной таблицы %1, градусы; «-» — нет искры. Enter "
                         u"перерисовывает график; «Сохранить в таблицу» переводит углы в коды.",
                         u"Advance of the active table %1, degrees; \"-\" = no spark. Enter "
                         u"redraws the chart; \"Save to table\" turns the angles into codes."},
                        language)
                .arg(m_form.ComboBox2->currentText());
        return {};
    }

    TForm1 &m_form;
};

} // namespace

void applyHints(TForm1 &form)
{
    if (!form.findChild<QObject *>(QLatin1String(GridHints::kName), Qt::FindDirectChildrenOnly))
        new GridHints(form);
    const unsigned char language = form.state().Language;
    // As rich text, so that a long hint wraps instead of running across the screen.
    const auto set = [language](QWidget *control, const TextPair &hint) {
        control->setToolTip(QStringLiteral("<p>") + pick(hint, language).toHtmlEscaped() +
                            QStringLiteral("</p>"));
    };
    set(form.Memo1, {u"Исходный текст прошивки, как его прочитала и запишет программа (только "
                     u"чтение).",
                     u"The firmware source as the program read it and will write it "
                     u"(read-only)."});
    set(form.Button1, {u"Открыть исходный текст прошивки (.asm) и прочитать из него настройки "
                       u"и таблицы (Ctrl+O).",
                       u"Open the firmware source (.asm) and read its settings and tables "
                       u"(Ctrl+O)."});
    set(form.Button7, {u"Переключить все надписи окна на английский язык.",
                       u"Switch every text of the window to Russian."});
    const TextPair sensor = {
        u"Угол установки датчика, градусы: углы таблицы отсчитываются от него.",
        u"Angle at which the sensor is mounted, degrees: the table's angles "
        u"count from it."};
    set(form.ComboBox1, sensor);
    set(form.Label4, sensor);
    set(form.Label1, sensor);
    form.CheckBox1->setAccessibleName(windowText(WindowText::SensorBoxName, language));
    set(form.CheckBox1,
        {u"Отмечено: при смене угла датчика коды таблицы остаются, а углы сдвигаются вместе с "
         u"ним. Не отмечено: углы остаются как есть, и следующее «Сохранить в таблицу» "
         u"пересчитает коды под новый угол датчика.",
         u"Checked: changing the sensor angle keeps the table codes and moves the angles with "
         u"it. Unchecked: the angles stay as they are, and the next \"Save to table\" computes "
         u"codes that keep them at the new sensor angle."});
    const TextPair second = {u"Второй импульс датчика: auto — автоматически, или угол в градусах.",
                             u"Second sensor pulse: auto, or a fixed angle in degrees."};
    set(form.ComboBox3, second);
    set(form.Label3, second);
    const TextPair spark = {u"Вывод микроконтроллера, который даёт искру.",
                            u"The microcontroller pin that fires the spark."};
    set(form.ComboBox4, spark);
    set(form.Label5, spark);
    const TextPair table = {u"Активная таблица (1–3): её углы показаны в столбце УОЗ и на графике.",
                            u"Active table (1–3): its angles are shown in the angle column and the "
                            u"chart."};
    set(form.ComboBox2, table);
    set(form.Label2, table);
    set(form.Button4, {u"Перерисовать график по углам в таблице.",
                       u"Redraw the chart from the angles in the grid."});
    set(form.Button2, {u"Перевести углы столбца УОЗ в коды активной таблицы.",
                       u"Turn the angle column into codes of the active table."});
    set(form.Button5, {u"Сохранить в таблицу и записать настройки и таблицы в файл прошивки "
                       u"(Ctrl+S).",
                       u"Save to table, then write the settings and tables into the source "
                       u"file (Ctrl+S)."});
    set(form.Button6, {u"Собрать прошивку (.hex) ассемблером из файла в том виде, в каком он "
                       u"на диске.",
                       u"Build the firmware (.hex) with the assembler from the file as it is "
                       u"on disk."});
    set(form.Button3, {u"Открыть справку (F1).", u"Open the help (F1)."});
    set(form.Chart1, {u"УОЗ активной таблицы по оборотам; выбранная строка отмечена жёлтым.",
                      u"Advance of the active table over engine speed; the selected row is "
                      u"marked yellow."});
    form.Chart1->setAxisTitles(pick({u"об/мин", u"rpm"}, language),
                               pick({u"УОЗ, °", u"advance, °"}, language));
}
