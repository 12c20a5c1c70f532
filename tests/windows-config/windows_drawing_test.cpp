// Config's drawing through the Windows platform plug-in, under Wine.
#include "controls/CClrEdit.h"

#include <QImage>
#include <QWidget>
#include <gtest/gtest.h>

TEST(WindowsDrawing, AnEditBoxDrawsItsTextInsideItself)
{
    QWidget window;
    QPalette dark = window.palette();
    dark.setColor(QPalette::Window, Qt::black);
    window.setPalette(dark);
    window.setAutoFillBackground(true);
    window.resize(80, 50);
    CClrEdit box(&window);
    box.Create(&window, QRect(10, 10, 56, 28), 31, true, true);
    box.SetEditFont(QStringLiteral("Segoe UI"), 16);
    box.setText(QStringLiteral("255"));
    window.show();
    const QImage inside = window.grab().toImage().copy(10, 10, 56, 28);
    int lit = 0;
    for (int y = 0; y < inside.height(); ++y)
        for (int x = 0; x < inside.width(); ++x)
            lit += qGray(inside.pixel(x, y)) > 128;
    EXPECT_GT(lit, 40) << "the digits are not drawn inside the box";
}
