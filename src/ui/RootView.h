#pragma once

#include <QList>
#include <QString>
#include <QUrl>
#include <QWidget>

#include <optional>

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
    enum class Section { ports, disk, breakdown };

    // The title of a section ("Ports", "Disk cleanup", "Breakdown").
    [[nodiscard]] static QString rawValue(Section section);
    // The section titled raw, or nothing.
    [[nodiscard]] static std::optional<Section> sectionFromRawValue(const QString &raw);
    [[nodiscard]] static QString symbol(Section section);
    [[nodiscard]] static const QList<Section> &allSections();

    static constexpr int s_sidebarMinimumWidth = 180;
    static constexpr int s_sidebarIdealWidth = 200;
    static constexpr int s_sidebarMaximumWidth = 240;

    // productPage empty leaves the status bar's home link out.
    RootView(ProcessStore &processes, ScanStore &scan, const QUrl &productPage,
             QWidget *parent = nullptr);

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
