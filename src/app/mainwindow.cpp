// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#include "app/mainwindow.h"

#include "app/commandtexts.h"
#include "app/editcommands.h"
#include "app/startup.h"
#ifdef CDI_HAVE_BENCH
#include "app/timingcheck.h"
#endif

#include "app/unit1.h"
#include "app/windowfit.h"
#include "session/texts.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTime>
#include <QTimer>
#include <QWindow>

#include <algorithm>

namespace {

const QString kLastFolderKey = QStringLiteral("openDialog/lastFolder");

const QString kResizableKey = QStringLiteral("window/resizableLayout");

} // namespace

// A status-bar label that never widens the window, whatever text it gets: a text longer than
// the label is shortened in the middle, where a path holds its least telling part, and the
// whole text is its tooltip.
class StatusLabel final : public QLabel
{
public:
    StatusLabel(QWidget *parent, const QString &name) : QLabel(parent)
    {
        setObjectName(name);
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        setMinimumWidth(1);
    }
    // `shown` in place of the text where it says the same more briefly (a path with "~").
    void setWholeText(const QString &text, const QString &shown = {})
    {
        m_text = text;
        m_shown = shown.isEmpty() ? text : shown;
        setToolTip(text);
        // A screen reader reads it unshortened too.
        setAccessibleName(m_shown);
        fit();
    }
    QString wholeText() const { return m_text; }

protected:
    void resizeEvent(QResizeEvent *event) override
    {
        QLabel::resizeEvent(event);
        fit();
    }
    void changeEvent(QEvent *event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            fit();
    }

private:
    void fit()
    {
        const int room = std::max(0, contentsRect().width() - 2 * margin() - indent());
        setText(fontMetrics().elidedText(m_shown, Qt::ElideMiddle, room));
    }

    QString m_text;
    QString m_shown;
};

namespace {

// The path as the system writes it: on Windows with backslashes, elsewhere with the home folder
// written "~".
QString shortPath(const QString &path)
{
#ifdef Q_OS_WIN
    return QDir::toNativeSeparators(path);
#endif
    const QString home = QDir::homePath();
    if (home.size() > 1 && path.startsWith(home + QLatin1Char('/')))
        return QLatin1Char('~') + path.mid(home.size());
    return path;
}

} // namespace

MainWindow::MainWindow(Platform &platform, QWidget *parent)
    : QMainWindow(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                              Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                              Qt::WindowCloseButtonHint),
      m_form(new TForm1(platform))
{
    // Where the screen is too small for the table window, its area scrolls inside a window
    // that fits.
    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setBackgroundRole(QPalette::Button);
    m_scroll->setWidget(m_form);
    m_form->installEventFilter(this);
    setCentralWidget(m_scroll);
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
    fitToScreen();
}

void MainWindow::rememberFoldersIn(std::unique_ptr<QSettings> settings)
{
    m_settings = std::move(settings);
    setResizableLayout(m_settings->value(kResizableKey, false).toBool());
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
    connect(addCommand(m_fileMenu, u"Открыть &пример", u"Open sa&mple"), &QAction::triggered, form,
            [form] { form->openSample(documentsFolder()); });
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
    m_viewMenu->addSeparator();
    m_resizableAction = addCommand(m_viewMenu, u"&Растягиваемое окно", u"Resi&zable layout");
    m_resizableAction->setCheckable(true);
    connect(m_resizableAction, &QAction::toggled, this, [this](bool on) {
        setResizableLayout(on);
        if (m_settings) {
            m_settings->setValue(kResizableKey, on);
            m_settings->sync();
        }
    });

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
    m_noteLabel = new StatusLabel(this, QStringLiteral("note"));
    m_readoutLabel = new StatusLabel(this, QStringLiteral("readout"));
    m_pathLabel = new StatusLabel(this, QStringLiteral("path"));
    m_editedLabel = new QLabel(this);
    m_editedLabel->setObjectName(QStringLiteral("edited"));
    statusBar()->setSizeGripEnabled(false);
    statusBar()->addWidget(m_noteLabel, 3);
    statusBar()->addWidget(m_readoutLabel, 2);
    statusBar()->addPermanentWidget(m_pathLabel, 3);
    statusBar()->addPermanentWidget(m_editedLabel);
    // A line high whatever they hold, so that a text shown does not make the bar taller and
    // take a pixel from the table window's area.
    for (QLabel *label : {static_cast<QLabel *>(m_noteLabel), static_cast<QLabel *>(m_readoutLabel),
                          static_cast<QLabel *>(m_pathLabel), m_editedLabel})
        label->setMinimumHeight(label->fontMetrics().height());
    // Should a bar still change its height (a font change), the window follows.
    statusBar()->installEventFilter(this);
    menuBar()->installEventFilter(this);
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
    m_noteLabel->setWholeText(pick(m_noteRussian, m_noteEnglish));
    m_editedLabel->setText(stateText());
}

void MainWindow::showPathAndEdited(const QString &path, bool edited)
{
    m_pathLabel->setWholeText(QDir::toNativeSeparators(path), shortPath(path));
    m_edited = edited;
    m_editedLabel->setText(stateText());
}

void MainWindow::showNote(QStringView russian, QStringView english)
{
    m_noteRussian = russian.toString();
    m_noteEnglish = english.toString();
    m_noteLabel->setWholeText(pick(m_noteRussian, m_noteEnglish));
}

void MainWindow::showReadout(const QString &text)
{
    m_readoutLabel->setWholeText(text);
}

QString MainWindow::stateText() const
{
    if (m_readOnly)
        return chipText(ChipText::ReadOnlyStatus, language());
    return m_edited ? pick(u"изменён", u"edited") : QString();
}

QString MainWindow::note() const
{
    return m_noteLabel->wholeText();
}

QString MainWindow::pathText() const
{
    return m_pathLabel->wholeText();
}

QString MainWindow::editedText() const
{
    return m_editedLabel->text();
}

QString MainWindow::readout() const
{
    return m_readoutLabel->wholeText();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (!m_form->confirmUnsavedChanges()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void MainWindow::setResizableLayout(bool on)
{
    m_resizable = on;
    {
        const QSignalBlocker block(m_resizableAction);
        m_resizableAction->setChecked(on);
    }
    // Resizable: the table window fills the area, never smaller than its own size; else it
    // has exactly its own size and every control its place.
    if (on) {
        m_form->setMinimumSize(kFormSize);
        m_form->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    } else {
        m_form->setFixedSize(kFormSize);
    }
    m_scroll->setWidgetResizable(on);
    fitToScreen();
}

void MainWindow::fitToScreen()
{
    // Shown, the bars' heights are those the layout gave them: on Windows the menu bar takes
    // more than its size hint says.
    const int bars = isVisible()
                         ? menuBar()->height() + statusBar()->height()
                         : menuBar()->sizeHint().height() + statusBar()->sizeHint().height();
    const QSize natural(kFormSize.width(), kFormSize.height() + bars);
    const QScreen *screen = this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), natural);
    // The window manager's frame, once it has one, takes its part of the screen too.
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(0, 0);
    const QSize fitted =
        fittedWindowSize(natural, available.size() - frame,
                         style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_scroll));
    if (m_resizable) {
        setMinimumSize(QSize(240, 160).boundedTo(fitted));
        setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        // Shown: the size the user gave it, as far as the screen holds it.
        resize(isVisible() ? size().boundedTo(available.size() - frame) : fitted);
    } else {
        setFixedSize(fitted);
    }
    if (!isVisible())
        return;
    // A frame that reaches beyond the screen's edges is moved back onto it.
    const QRect outer = frameGeometry();
    if (!available.contains(outer)) {
        const int x = std::clamp(outer.x(), available.left(),
                                 std::max(available.left(), available.right() + 1 - outer.width()));
        const int y =
            std::clamp(outer.y(), available.top(),
                       std::max(available.top(), available.bottom() + 1 - outer.height()));
        move(x, y);
    }
}

void MainWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (QWindow *window = windowHandle(); window && !m_watchingScreen) {
        m_watchingScreen = true;
        connect(window, &QWindow::screenChanged, this, &MainWindow::fitToScreen);
    }
    fitToScreen();
    // A window manager's frame is known only after it has decorated the window.
    QTimer::singleShot(300, this, &MainWindow::fitToScreen);
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_form && event->type() == QEvent::Resize)
        stretchForm(*m_form);
    else if ((watched == statusBar() || watched == menuBar()) && event->type() == QEvent::Resize &&
             static_cast<QResizeEvent *>(event)->oldSize().height() !=
                 static_cast<QResizeEvent *>(event)->size().height() &&
             isVisible())
        QTimer::singleShot(0, this, &MainWindow::fitToScreen);
    return QMainWindow::eventFilter(watched, event);
}
