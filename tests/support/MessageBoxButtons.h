#pragma once

// Finding the buttons of the application's message boxes in tests.

#include <QAbstractButton>
#include <QMessageBox>

#include <algorithm>

// The button of box reading text, or null.
inline QAbstractButton *buttonLabelled(const QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == text)
            return button;
    }
    return nullptr;
}

// The texts of box's buttons from left to right, as laid out.
inline QStringList buttonTextsInOrder(const QMessageBox *box)
{
    QList<QAbstractButton *> buttons = box->buttons();
    std::sort(buttons.begin(), buttons.end(), [box](const QWidget *a, const QWidget *b) {
        return a->mapTo(box, QPoint()).x() < b->mapTo(box, QPoint()).x();
    });
    QStringList texts;
    for (const QAbstractButton *button : buttons)
        texts << button->text();
    return texts;
}
