// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
#pragma once

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "domain/messageid.h"

#include <memory>
#include <optional>

class Platform;
class QAction;
class QLabel;
class QMenu;
class QScrollArea;
class QSettings;
class StatusLabel;
class TForm1;
struct UnavailableTexts;

// The program's top-level window: the table window TForm1 as its central widget, with every
// control at its place, a menu bar above it and a status bar below it. Fixed at the size that
// shows the table window whole, or at what the screen holds with the table window scrolling
// (unless View - Resizable layout is on); its title follows TForm1's, and every text of the
// menus and the status bar follows the language switch.
//
// Adding a command from elsewhere (the texts follow the language switch by themselves):
//   QAction *undo = window.addCommand(window.editMenu(), u"Отменить", u"Undo",
//                                     QKeySequence::Undo);
//   connect(undo, &QAction::triggered, ...);
// Anything else that shows text of its own (a context menu, a tooltip) follows
// languageChanged() or uses translate().
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Platform &platform, QWidget *parent = nullptr);
    ~MainWindow() override;

    TForm1 &form() { return *m_form; }

    QMenu *fileMenu() const { return m_fileMenu; }
    QMenu *editMenu() const { return m_editMenu; }
    QMenu *viewMenu() const { return m_viewMenu; }
    QMenu *toolsMenu() const { return m_toolsMenu; }
    QMenu *helpMenu() const { return m_helpMenu; }

    // A new action at the end of `menu` with a Russian and an English text.
    QAction *addCommand(QMenu *menu, QStringView russian, QStringView english,
                        const QKeySequence &shortcut = {});
    // Keeps an action's text (and, when given, its tooltip) in the current language; for
    // actions created elsewhere, e.g. in context menus. Forgotten when the action is destroyed.
    void translate(QAction *action, QStringView russian, QStringView english,
                   QStringView russianTip = {}, QStringView englishTip = {});
    // 0 Russian, 1 English: the window's current language.
    unsigned char language() const;

    // Where the folder last opened and the layout choice are kept between runs; without settings
    // nothing is kept.
    void rememberFoldersIn(std::unique_ptr<QSettings> settings);
    QString rememberedFolder() const;
    QSettings *settings() const { return m_settings.get(); }

    // Status bar. The path of the loaded source and whether it has changes not saved to file.
    void showPathAndEdited(const QString &path, bool edited);
    // A note on what just happened (a save, a refused save), in both languages, shown until
    // the next note; it follows the language switch.
    void showNote(QStringView russian, QStringView english);
    QString note() const;
    QString pathText() const;
    QString editedText() const;
    QString readout() const;

    // View → "Resizable layout" (off: the table window's own fixed size): the window can be
    // resized, the chart takes the extra width and height, the grid the extra height.
    void setResizableLayout(bool on);
    bool resizableLayout() const { return m_resizable; }
    QAction *resizableLayoutAction() const { return m_resizableAction; }
    // The window at the size that shows the table window whole where the screen has room for
    // it, else at what fits with the rest scrolled, and its frame kept on the screen.
    void fitToScreen();
    QScrollArea *scrollArea() const { return m_scroll; }

public slots:
    // A read-out of what the pointer is over in the chart; empty clears it.
    void showReadout(const QString &text);

signals:
    void languageChanged(unsigned char language);

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Translated
    {
        QPointer<QAction> action;
        QString russian, english, russianTip, englishTip;
    };

    void createMenus();
    // Greys out a Tools command, with why as its tip in both languages.
    void disableCommand(QAction *action, const UnavailableTexts &why);
    void rememberFolder();
    void noteSaved(const QString &path);
    void noteRefused(std::optional<MessageId> reason);
    void createStatusBar();
    void applyLanguage();
    QString pick(QStringView russian, QStringView english) const;
    // The mark beside the path: read-only for a firmware image, else whether it is edited.
    QString stateText() const;

    TForm1 *m_form;
    QMenu *m_fileMenu;
    QMenu *m_editMenu;
    QMenu *m_viewMenu;
    QMenu *m_toolsMenu;
    QMenu *m_helpMenu;
    QAction *m_programChip = nullptr;
    QAction *m_readChip = nullptr;
    QList<Translated> m_translated;
    std::unique_ptr<QSettings> m_settings;

    StatusLabel *m_noteLabel = nullptr;
    StatusLabel *m_readoutLabel = nullptr;
    StatusLabel *m_pathLabel = nullptr;
    QLabel *m_editedLabel = nullptr;
    QString m_noteRussian, m_noteEnglish;
    bool m_edited = false;
    bool m_readOnly = false;
    QList<QAction *> m_saveActions; // off while a firmware image is shown
    QScrollArea *m_scroll = nullptr;
    QAction *m_resizableAction = nullptr;
    bool m_resizable = false;
    bool m_watchingScreen = false;
};
