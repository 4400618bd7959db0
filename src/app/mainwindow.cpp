// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/mainwindow.h"

#include "app/commandtexts.h"
#include "app/editcommands.h"
#ifdef CDI_HAVE_BENCH
#include "app/timingcheck.h"
#endif

#include "app/unit1.h"
#include "session/texts.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QStatusBar>
#include <QTime>

#include <algorithm>

namespace {

const QString kLastFolderKey = QStringLiteral("openDialog/lastFolder");

// A status-bar label that never widens the fixed-size window, whatever text it gets.
QLabel *statusLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(1);
    return label;
}

} // namespace

MainWindow::MainWindow(Platform &platform, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_form(new TForm1(platform))
{
    setCentralWidget(m_form);
    setFont(m_form->font());
    createMenus();
#ifdef CDI_HAVE_BENCH
    addTimingCheckCommands(*this, platform);
#else
    disableCommand(
        addCommand(m_toolsMenu, u"Проверить на &модели МК", u"Check timing on &simulated chip"),
        timingCheckUnavailable());
#endif
    if (!platform.canProgramChip()) {
        disableCommand(m_programChip, chipProgrammingUnavailable());
        disableCommand(m_readChip, chipProgrammingUnavailable());
    }
    createStatusBar();
    m_form->commands().addToMenus(m_fileMenu, m_editMenu, m_viewMenu);
    connect(&m_form->commands(), &EditCommands::statusMessage, this, &MainWindow::showReadout);
    // The table window keeps its own fixed size; this window is as big as it and the bars.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    setWindowTitle(m_form->windowTitle());
    connect(m_form, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    connect(m_form, &TForm1::languageChanged, this, [this] {
        applyLanguage();
        emit languageChanged(language());
    });
    connect(m_form, &TForm1::chipNote, this, &MainWindow::showNote);
    connect(m_form, &TForm1::documentStateChanged, this, [this] {
        // A firmware image is shown read-only: nothing saves it.
        m_readOnly = m_form->document().image;
        for (QAction *save : std::as_const(m_saveActions))
            save->setEnabled(!m_readOnly);
        showPathAndEdited(m_form->document().FirmwarePath, m_form->hasUnsavedChanges());
        rememberFolder();
    });
    connect(m_form, &TForm1::savedToFile, this, &MainWindow::noteSaved);
    connect(m_form, &TForm1::saveRefused, this, &MainWindow::noteRefused);
    applyLanguage();
    showPathAndEdited(m_form->document().FirmwarePath, false);
}

void MainWindow::rememberFoldersIn(std::unique_ptr<QSettings> settings)
{
    m_settings = std::move(settings);
}

QString MainWindow::rememberedFolder() const
{
    return m_settings ? m_settings->value(kLastFolderKey).toString() : QString();
}

void MainWindow::rememberFolder()
{
    const QString folder = m_form->OpenDialog1.directory;
    if (!m_settings || folder.isEmpty() || folder == rememberedFolder())
        return;
    m_settings->setValue(kLastFolderKey, folder);
    m_settings->sync();
}

void MainWindow::noteSaved(const QString &path)
{
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    showNote(QStringLiteral(u"%1: записаны настройки, обороты и таблицы в %2")
                 .arg(time, QFileInfo(path).fileName()),
             QStringLiteral("%1: settings, RPM points and tables written to %2")
                 .arg(time, QFileInfo(path).fileName()));
}

void MainWindow::noteRefused(std::optional<MessageId> reason)
{
    const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    if (reason) {
        showNote(QStringLiteral(u"%1: файл не сохранён: %2").arg(time, message(*reason, 0)),
                 QStringLiteral("%1: file not saved: %2").arg(time, message(*reason, 1)));
    } else {
        showNote(QStringLiteral(u"%1: файл не сохранён").arg(time),
                 QStringLiteral("%1: file not saved").arg(time));
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::createMenus()
{
    m_fileMenu = menuBar()->addMenu(QString());
    translate(m_fileMenu->menuAction(), u"&Файл", u"&File");
    m_editMenu = menuBar()->addMenu(QString());
    translate(m_editMenu->menuAction(), u"&Правка", u"&Edit");
    m_viewMenu = menuBar()->addMenu(QString());
    translate(m_viewMenu->menuAction(), u"&Вид", u"&View");
    m_toolsMenu = menuBar()->addMenu(QString());
    translate(m_toolsMenu->menuAction(), u"&Сервис", u"&Tools");
    m_helpMenu = menuBar()->addMenu(QString());
    translate(m_helpMenu->menuAction(), u"Спр&авка", u"&Help");

    TForm1 *const form = m_form;
    connect(addCommand(m_fileMenu, u"&Открыть…", u"&Open…", QKeySequence::Open),
            &QAction::triggered, form, &TForm1::Button1Click);
    m_saveActions << addCommand(m_fileMenu, u"&Сохранить в файл", u"&Save to file",
                                QKeySequence::Save);
    connect(m_saveActions.last(), &QAction::triggered, form, &TForm1::Button5Click);
    m_saveActions << addCommand(m_fileMenu, u"Сохранить &как…", u"Save &as…", QKeySequence::SaveAs);
    connect(m_saveActions.last(), &QAction::triggered, form, &TForm1::saveAs);
    m_fileMenu->addSeparator();
    connect(addCommand(m_fileMenu, u"В&ыход", u"&Quit", QKeySequence(Qt::CTRL | Qt::Key_Q)),
            &QAction::triggered, this, &QWidget::close);

    m_saveActions << addCommand(m_editMenu, u"Сохранить в &таблицу", u"Save to &table");
    connect(m_saveActions.last(), &QAction::triggered, form, &TForm1::Button2Click);

    connect(addCommand(m_viewMenu, u"&Обновить график", u"&Refresh chart"), &QAction::triggered,
            form, &TForm1::Button4Click);
    m_viewMenu->addSeparator();
    connect(addCommand(m_viewMenu, u"&English", u"&Russian"), &QAction::triggered, form,
            &TForm1::Button7Click);

    connect(addCommand(m_toolsMenu, u"&Компилировать", u"&Compile HEX file"), &QAction::triggered,
            form, &TForm1::Button6Click);
    m_programChip = addCommand(m_toolsMenu, u"&Прошить МК", u"&Program chip");
    connect(m_programChip, &QAction::triggered, form, &TForm1::ProgramChipClick);
    m_readChip = addCommand(m_toolsMenu, u"Прочитать М&К", u"&Read chip",
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    connect(m_readChip, &QAction::triggered, form, &TForm1::ReadChipClick);

    connect(addCommand(m_helpMenu, u"&Справка", u"&Help", QKeySequence::HelpContents),
            &QAction::triggered, form, &TForm1::Button3Click);
}

void MainWindow::createStatusBar()
{
    m_noteLabel = statusLabel(this, QStringLiteral("note"));
    m_readoutLabel = statusLabel(this, QStringLiteral("readout"));
    m_pathLabel = statusLabel(this, QStringLiteral("path"));
    m_editedLabel = new QLabel(this);
    m_editedLabel->setObjectName(QStringLiteral("edited"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_noteLabel, 3);
    statusBar()->addWidget(m_readoutLabel, 2);
    statusBar()->addPermanentWidget(m_pathLabel, 3);
    statusBar()->addPermanentWidget(m_editedLabel);
}

QAction *MainWindow::addCommand(QMenu *menu, QStringView russian, QStringView english,
                                const QKeySequence &shortcut)
{
    auto *action = menu->addAction(QString());
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    translate(action, russian, english);
    return action;
}

void MainWindow::translate(QAction *action, QStringView russian, QStringView english,
                           QStringView russianTip, QStringView englishTip)
{
    Translated entry{action, russian.toString(), english.toString(), russianTip.toString(),
                     englishTip.toString()};
    action->setText(pick(entry.russian, entry.english));
    if (!entry.russianTip.isEmpty() || !entry.englishTip.isEmpty())
        action->setToolTip(pick(entry.russianTip, entry.englishTip));
    m_translated.append(std::move(entry));
}

void MainWindow::disableCommand(QAction *action, const UnavailableTexts &why)
{
    action->setEnabled(false);
    m_toolsMenu->setToolTipsVisible(true);
    const auto entry = std::find_if(m_translated.begin(), m_translated.end(),
                                    [action](const Translated &t) { return t.action == action; });
    if (entry != m_translated.end()) {
        entry->russianTip = why.russian;
        entry->englishTip = why.english;
    }
    // applyLanguage() puts the tip in the current language.
}

unsigned char MainWindow::language() const
{
    return m_form->state().Language;
}

QString MainWindow::pick(QStringView russian, QStringView english) const
{
    return (language() == 0 ? russian : english).toString();
}

void MainWindow::applyLanguage()
{
    m_translated.removeIf([](const Translated &entry) { return entry.action.isNull(); });
    for (const Translated &entry : std::as_const(m_translated)) {
        entry.action->setText(pick(entry.russian, entry.english));
        if (!entry.russianTip.isEmpty() || !entry.englishTip.isEmpty()) {
            entry.action->setToolTip(pick(entry.russianTip, entry.englishTip));
            // Also in the status bar while the pointer is on a greyed-out entry.
            if (!entry.action->isEnabled())
                entry.action->setStatusTip(entry.action->toolTip());
        }
    }
    m_noteLabel->setText(pick(m_noteRussian, m_noteEnglish));
    m_editedLabel->setText(stateText());
}

void MainWindow::showPathAndEdited(const QString &path, bool edited)
{
    m_pathLabel->setText(path);
    m_pathLabel->setToolTip(path);
    m_edited = edited;
    m_editedLabel->setText(stateText());
}

void MainWindow::showNote(QStringView russian, QStringView english)
{
    m_noteRussian = russian.toString();
    m_noteEnglish = english.toString();
    m_noteLabel->setText(pick(m_noteRussian, m_noteEnglish));
}

void MainWindow::showReadout(const QString &text)
{
    m_readoutLabel->setText(text);
}

QString MainWindow::stateText() const
{
    if (m_readOnly)
        return chipText(ChipText::ReadOnlyStatus, language());
    return m_edited ? pick(u"изменён", u"edited") : QString();
}

QString MainWindow::note() const
{
    return m_noteLabel->text();
}

QString MainWindow::pathText() const
{
    return m_pathLabel->text();
}

QString MainWindow::editedText() const
{
    return m_editedLabel->text();
}

QString MainWindow::readout() const
{
    return m_readoutLabel->text();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_form->confirmUnsavedChanges()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
