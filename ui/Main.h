#pragma once

#include <QMainWindow>

// The main window (for now its life-cycle handlers, as far as they apply without the schedule):
// caption "Hourglen"; closing it ends the program.
class TForm_Hourglen final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm_Hourglen)

public:
    explicit TForm_Hourglen(QWidget* parent = nullptr);
    ~TForm_Hourglen() override;

    // 0 at creation, 1 once the window has been activated for the first time.
    int Tag = 0;

signals:
    // The window has closed: the program's message loop ends.
    void closed();

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void FormActivate();
    void FormClose();
    void FormDestroy();
};

extern TForm_Hourglen* Form_Hourglen;
