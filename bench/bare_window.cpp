// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The yardstick for start-up: an empty Qt window of our window's size with a title, shown like
// ours, ending after its first frame. With "--text" it also shows one line of text in our
// window's font, which brings in the font system (fontconfig, FreeType, HarfBuzz) as any window
// with text does.
#include "firstframe.h"

#include "app/windowfont.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

int main(int argc, char *argv[])
{
    startupMark("main");
    QApplication application(argc, argv);
    startupMark("QApplication");
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.setFixedSize(873, 535); // the main window's fixed size
    if (argc > 1 && qstrcmp(argv[1], "--text") == 0) {
        auto *label = new QLabel(QStringLiteral("Bare Qt window"), &window);
        label->setFont(windowFont());
        label->move(10, 10);
    }
    const QRect screen = window.screen()->availableGeometry();
    window.move(screen.center() - window.rect().center());
    startupMark("window");
    FirstFrameProbe probe(window);
    window.show();
    startupMark("show");
    return application.exec();
}
