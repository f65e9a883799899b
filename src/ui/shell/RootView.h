#pragma once

#include "ui/shell/Section.h"

#include <QUrl>
#include <QWidget>

class ProcessStore;
class QSplitter;
class QStackedWidget;
class ScanStore;
class Sidebar;
class StatusBar;

// The window's content: the sidebar of the three screens beside the detail column, which
// shows the chosen screen with the status bar flush beneath it. Opens on Ports.
class RootView : public QWidget
{
    Q_OBJECT

public:
    using Section = ::Section;

    static constexpr int s_sidebarMinimumWidth = 180;
    static constexpr int s_sidebarIdealWidth = 200;
    static constexpr int s_sidebarMaximumWidth = 240;

    // productPage empty leaves the status bar's home link out.
    RootView(ProcessStore &processes, ScanStore &scan, const QUrl &productPage, QWidget *parent = nullptr);

    [[nodiscard]] Section selection() const { return m_selection; }
    void setSelection(Section section);
    [[nodiscard]] QWidget *screen(Section section) const;

signals:
    void selectionChanged(RootView::Section section);

private:
    Section m_selection = Section::ports;
    QSplitter *m_splitter;
    Sidebar *m_sidebar;
    QStackedWidget *m_screens;
    StatusBar *m_statusBar;
};
