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
class FrmResults : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 430;
    static constexpr int kClientHeight = 239;

    explicit FrmResults(QWidget* owner = nullptr);

    QListWidget* lstResults() const { return lstResults_; }
    QPushButton* cmdClose() const { return cmdClose_; }
    TabStopDelegate* tabStops() const { return tabStops_; }

    // Sets the list's tab stops, in dialog units.
    void SetTabStops(std::vector<int> dialogUnits);

protected:
    // Neither Enter nor Esc closes the window; only the Close button and the close box do.
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    void cmdClose_Click();

private:
    void Form_Load();

    QListWidget* lstResults_ = nullptr;
    QPushButton* cmdClose_ = nullptr;
    TabStopDelegate* tabStops_ = nullptr;
};

} // namespace brellow::results
