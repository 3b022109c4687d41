#include "ui/wait_progress_dlg.h"

#include "ui/dialog_units.h"
#include "ui/text_bytes.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QWindow>

#include <algorithm>

namespace {

// Template size in dialog units.
constexpr int kWidthUnits = 219;
constexpr int kHeightUnits = 90;
// Least time between two updates of the row count (milliseconds).
constexpr int kRowsShownInterval = 100;
// Least time between two looks for events (milliseconds). A look costs more than reading ten
// rows, and nobody can tell a few milliseconds from ten rows.
constexpr int kPumpInterval = 5;

// Swallows the application's quit request while it is installed, noting that one came.
class QuitRequestCatcher : public QObject {
  public:
    QuitRequestCatcher() { QCoreApplication::instance()->installEventFilter(this); }
    ~QuitRequestCatcher() override { QCoreApplication::instance()->removeEventFilter(this); }
    QuitRequestCatcher(const QuitRequestCatcher&) = delete;
    QuitRequestCatcher& operator=(const QuitRequestCatcher&) = delete;

    bool caught = false;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::Quit) {
            caught = true;
            return true;
        }
        return false;
    }
};

template <typename Widget>
Widget* Place(Widget* widget, int id, QRect units) {
    widget->setObjectName(QString::number(id));
    widget->setGeometry(querimo::DialogUnitsToPixels(units));
    return widget;
}

}  // namespace

CWaitProgressDlg::CWaitProgressDlg(bool* cancel, const char* caption, const char* message,
                                   QWidget* mainWindow)
    : QDialog(nullptr, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      m_pbCancel(cancel),
      m_mainWindow(mainWindow != nullptr ? mainWindow : QApplication::activeWindow()) {
    if (m_mainWindow != nullptr) {
        m_focusBeforehand = m_mainWindow->window()->focusWidget();
        m_mainWindow->setEnabled(false);
    }
    CreateControls();
    if (caption != nullptr) {
        setWindowTitle(querimo::ToQString(caption));
    }
    if (message != nullptr) {
        findChild<QLabel*>(QString::number(IDC_WAIT_MESSAGE))->setText(querimo::ToQString(message));
    }
    if (m_mainWindow != nullptr) {
        // Kept in front of the window it blocks, and centred on it.
        winId();
        windowHandle()->setTransientParent(m_mainWindow->window()->windowHandle());
        move(m_mainWindow->window()->geometry().center() - rect().center());
    }
    show();
    m_windowOpen = true;
}

CWaitProgressDlg::~CWaitProgressDlg() {
    Close();
}

void CWaitProgressDlg::CreateControls() {
    setWindowTitle(QStringLiteral("Working"));
    setFixedSize(querimo::DialogUnitsToPixels(0, 0, kWidthUnits, kHeightUnits).size());
    auto* cancel =
        Place(new QPushButton(QStringLiteral("Cancel"), this), IDC_WAIT_CANCEL, {89, 57, 40, 18});
    cancel->setAutoDefault(false);
    auto* inProgress = Place(new QLabel(QStringLiteral("In progress..."), this),
                             IDC_WAIT_IN_PROGRESS, {7, 7, 183, 8});
    inProgress->hide();
    m_progress = Place(new QProgressBar(this), IDC_WAIT_PROGRESS, {18, 19, 183, 13});
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setTextVisible(false);
    auto* message = Place(new QLabel(QStringLiteral("Click Cancel to cancel the operation"), this),
                          IDC_WAIT_MESSAGE, {25, 38, 169, 8});
    message->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_rowsFetched = new QLabel(this);
    m_rowsFetched->setObjectName(QString::fromLatin1(kRowsFetchedName));
    m_rowsFetched->setGeometry(querimo::DialogUnitsToPixels(25, 47, 169, 8));
    m_rowsFetched->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
}

void CWaitProgressDlg::SetPercent(int percent) {
    if (!m_windowOpen) {
        return;
    }
    m_progress->setValue(std::clamp(percent, 0, 100));
}

void CWaitProgressDlg::SetRowsFetched(long long rows) {
    if (!m_windowOpen ||
        (m_sinceRowsShown.isValid() && m_sinceRowsShown.elapsed() < kRowsShownInterval)) {
        return;
    }
    m_sinceRowsShown.start();
    m_rowsFetched->setText(QLocale().toString(rows) + QStringLiteral(" rows fetched"));
}

bool CWaitProgressDlg::PumpMessages() {
    if (m_sincePump.isValid() && !m_sincePump.hasExpired(kPumpInterval)) {
        return true;
    }
    m_sincePump.start();
    bool quitTaken = false;
    {
        QuitRequestCatcher catcher;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (!catcher.caught) {
            // What the delivered events posted in turn: layout and paint requests.
            QCoreApplication::sendPostedEvents();
        }
        quitTaken = catcher.caught;
    }
    if (quitTaken) {
        // The application quits once its owner's loop has returned.
        QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
        *m_pbCancel = true;
        return false;
    }
    return true;
}

void CWaitProgressDlg::Close() {
    if (m_mainWindow != nullptr) {
        m_mainWindow->setEnabled(true);
    }
    if (!m_windowOpen) {
        return;
    }
    m_windowOpen = false;
    hide();
    // Disabling moved the focus away; it goes back to where the person left it.
    if (m_focusBeforehand != nullptr && m_focusBeforehand->isEnabled()) {
        m_focusBeforehand->setFocus();
    }
}

void CWaitProgressDlg::OnCancel() {
    *m_pbCancel = true;
    Close();
}

void CWaitProgressDlg::reject() {
    OnCancel();
}
