#pragma once

#include <QWidget>

// Every piece of the visual kit on one page, in its states, for reviewing the look in light
// and dark palettes.
class KitGallery : public QWidget
{
    Q_OBJECT

public:
    explicit KitGallery(QWidget *parent = nullptr);
};
