#pragma once

#include <QUrl>
#include <QWidget>

#include <optional>

class KitLabel;
class ProcessStore;
class QLabel;

// The strip under every screen: "Quaylight", its version, what the process store last
// saw, the credit line and, when a product page is configured, the "Quaylight Home" link.
class StatusBar : public QWidget
{
    Q_OBJECT

public:
    // productPage empty leaves the home link out.
    StatusBar(ProcessStore &processes, const QUrl &productPage, QWidget *parent = nullptr);

    // "v" and the application version; nothing when the version is empty.
    [[nodiscard]] static std::optional<QString> bundleVersion();
    // "scanning…", "no Node processes", or "N Node process(es) · dev ports checked".
    [[nodiscard]] QString reading() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refresh();

    ProcessStore &m_processes;
    QUrl m_productPage;
    KitLabel *m_reading;
};
