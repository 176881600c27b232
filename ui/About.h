#pragma once

#include <QDialog>

#include <memory>

class QLabel;
class QFrame;
class QPushButton;
class QWidget;
class TKeySequence;

// The About window: the program's logo, version, build stamp, maker and rights notices. Holding
// Alt and typing the letters of a hidden sequence shows every control whose "Tag" property is 1.
// The window sees every key before its controls and their accelerators do.
class TForm_About final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm_About)

public:
    explicit TForm_About(QWidget* parent = nullptr);
    ~TForm_About() override;

    // The hidden key sequence.
    static const QString Sequence;

    // Shows or hides every control of the window whose "Tag" property is 1.
    void ShowTaggedControls(bool visible);

    const TKeySequence& KeySequence() const { return *m_keySequence; }

    // Closing with the OK button, Enter or Escape.
    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void FormCreate();
    void FormClose();
    // key is set to 0 when the window takes it.
    void FormKeyDown(int& key, Qt::KeyboardModifiers shift);
    void FormKeyUp(int& key, Qt::KeyboardModifiers shift);
    void HandleSequenceKey(int key);
    // Whether FormKeyDown takes this key in the matcher's present state.
    bool TakesKey(int key, Qt::KeyboardModifiers shift) const;
    // Whether an event receiver belongs to this window.
    bool IsOwnReceiver(QObject* receiver) const;

    std::unique_ptr<TKeySequence> m_keySequence;

    QFrame* Panel1 = nullptr;
    QWidget* ProgramIcon = nullptr;
    QLabel* Version = nullptr;
    QLabel* Label_BuildDate = nullptr;
    QLabel* Label_BuildTime = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* CompanyName = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;
};

// The About window while it is shown; null otherwise.
extern TForm_About* Form_About;
