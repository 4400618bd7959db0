// SPDX-License-Identifier: GPL-3.0-or-later
// SPDX-FileCopyrightText: 2026 CDI table editor developers
// The yardstick for start-up: an empty Qt window with a title, shown like ours, ending after its
// first frame. With "--text" it also shows one line of text in our window's font, which brings
// in the font system (fontconfig, FreeType, HarfBuzz) as any window with text does. With
// "--size <width>x<height>" it takes that size, which startup_bench sets to our window's; the
// size of the table window alone otherwise.
//
//   bare_window [--text] [--size <width>x<height>]
#include "firstframe.h"

#include "app/windowfont.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QWidget>

#include <cstdio>

int main(int argc, char *argv[])
{
    startupMark("main");
    QApplication application(argc, argv);
    startupMark("QApplication");
    bool withText = false;
    QSize size(873, 535);
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--text") == 0) {
            withText = true;
        } else if (qstrcmp(argv[i], "--size") == 0 && i + 1 < argc) {
            const QList<QByteArray> parts = QByteArray(argv[++i]).split('x');
            if (parts.size() == 2)
                size = QSize(parts[0].toInt(), parts[1].toInt());
        }
    }
    if (size.isEmpty()) {
        std::fprintf(stderr, "bare_window: the size must be <width>x<height>\n");
        return 2;
    }
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare Qt window"));
    window.setFixedSize(size);
    if (withText) {
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
