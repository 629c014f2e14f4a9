#pragma once

#include <QDialog>
#include <vector>

class QListWidget;
class QPushButton;

namespace brellow::results {

class TabStopDelegate;

// The results window: rows of text in two tab-aligned columns and a Close button. It is
// created hidden, filled by its caller and then shown modally; closing it hides it, and
// the caller discards it.
class ResultsWindow : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 430;
    static constexpr int kClientHeight = 239;

    explicit ResultsWindow(QWidget* owner = nullptr);

    QListWidget* list() const { return list_; }
    QPushButton* closeButton() const { return closeButton_; }
    TabStopDelegate* tabStops() const { return tabStops_; }

    // Sets the list's tab stops, in dialog units.
    void setTabStops(std::vector<int> dialogUnits);

protected:
    // Neither Enter nor Esc closes the window; only the Close button and the close box do.
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void closeClicked();

private:
    void load();

    QListWidget* list_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    TabStopDelegate* tabStops_ = nullptr;
};

} // namespace brellow::results
