// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The programmer dialog of "Прошить МК" / "Program chip".
#include "app/platform.h"
#include "domain/language.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// The serial ports a programmer may sit on: USB serial adapters and Arduinos used as ISP.
QStringList serialPorts()
{
    QStringList ports;
    const QDir dev(QStringLiteral("/dev"));
    const QStringList names = dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                                            QDir::System, QDir::Name);
    for (const QString &name : names)
        ports << dev.filePath(name);
    return ports;
}

} // namespace

std::optional<ProgrammerChoice> QtPlatform::chooseProgrammer(QWidget *owner,
                                                             const ProgrammerChoice &current,
                                                             unsigned char language)
{
    QDialog dialog(owner);
    dialog.setWindowTitle(
        inLanguage(language, QStringLiteral(u"Прошить МК"), QStringLiteral("Program chip")));

    auto *programmer = new QComboBox(&dialog);
    programmer->setEditable(true);
    programmer->setObjectName(QStringLiteral("programmer"));
    for (const ProgrammerInfo &entry : listProgrammers())
        programmer->addItem(QStringLiteral("%1 — %2").arg(entry.id, entry.description), entry.id);
    const int known = programmer->findData(current.programmer);
    if (known >= 0)
        programmer->setCurrentIndex(known);
    else
        programmer->setEditText(current.programmer);

    auto *port = new QComboBox(&dialog);
    port->setEditable(true);
    port->setObjectName(QStringLiteral("port"));
    port->addItem(QString());
    port->addItem(QStringLiteral("usb"));
    port->addItems(serialPorts());
    port->setEditText(current.port);

    auto *form = new QFormLayout;
    form->addRow(
        inLanguage(language, QStringLiteral(u"Программатор:"), QStringLiteral("Programmer:")),
        programmer);
    form->addRow(inLanguage(language, QStringLiteral(u"Порт:"), QStringLiteral("Port:")), port);
    auto *hint = new QLabel(
        inLanguage(language,
                   QStringLiteral(u"МК ATmega8 (m8), запись и проверка HEX-файла. Пустой порт — "
                                  u"порт avrdude по умолчанию (для USBasp — usb); "
                                  u"Arduino as ISP: avrisp на /dev/ttyUSB0 или /dev/ttyACM0."),
                   QStringLiteral("Chip ATmega8 (m8); the HEX file is written and verified. An "
                                  "empty port is avrdude's default (usb for USBasp); Arduino as "
                                  "ISP: avrisp on /dev/ttyUSB0 or /dev/ttyACM0.")),
        &dialog);
    hint->setWordWrap(true);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);

    auto *layout = new QVBoxLayout(&dialog);
    layout->addLayout(form);
    layout->addWidget(hint);
    layout->addWidget(buttons);
    dialog.resize(520, dialog.sizeHint().height());

    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    ProgrammerChoice choice;
    // An entry of the list reads "id — description"; a typed id stands alone.
    const QString id = programmer->currentText().trimmed().section(QLatin1Char(' '), 0, 0);
    if (!id.isEmpty())
        choice.programmer = id;
    choice.port = port->currentText().trimmed();
    return choice;
}
