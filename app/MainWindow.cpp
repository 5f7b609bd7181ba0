#include "app/MainWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStorageInfo>
#include <QVBoxLayout>

#include <algorithm>

namespace tessaly::app {
namespace {

bool IsDefaultDrive(const QString& drive) { return drive.compare(QStringLiteral("C:"), Qt::CaseInsensitive) == 0; }

bool IsDefaultFolder(const QString& folder) {
    return folder.compare(QStringLiteral("C:\\"), Qt::CaseInsensitive) == 0;
}

// Patterns separated by ";"; "*.*" matches every file, as on Windows.
QStringList NameFilters(const QString& pattern) {
    QStringList filters;
    for (QString part : pattern.split(QLatin1Char(';'))) {
        part = part.trimmed();
        if (part.isEmpty()) continue;
        filters << (part == QStringLiteral("*.*") ? QStringLiteral("*") : part);
    }
    return filters;
}

// Whether root is path or a folder above it.
bool Contains(const QString& root, const QString& path) {
    if (root.isEmpty()) return false;
    if (path == root) return true;
    return path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

}  // namespace

QList<Volume> UserVolumes(const QList<Volume>& mounted) {
    static const QStringList pseudo = {
        QStringLiteral("proc"),      QStringLiteral("sysfs"),     QStringLiteral("tmpfs"),     QStringLiteral("devtmpfs"),
        QStringLiteral("devpts"),    QStringLiteral("cgroup"),    QStringLiteral("cgroup2"),   QStringLiteral("overlay"),
        QStringLiteral("squashfs"),  QStringLiteral("autofs"),    QStringLiteral("mqueue"),    QStringLiteral("debugfs"),
        QStringLiteral("tracefs"),   QStringLiteral("securityfs"), QStringLiteral("pstore"),   QStringLiteral("bpf"),
        QStringLiteral("configfs"),  QStringLiteral("fusectl"),   QStringLiteral("hugetlbfs"), QStringLiteral("binfmt_misc"),
        QStringLiteral("efivarfs"),  QStringLiteral("nsfs"),      QStringLiteral("ramfs"),     QStringLiteral("rpc_pipefs"),
        QStringLiteral("fuse.gvfsd-fuse"), QStringLiteral("fuse.portal"), QStringLiteral("fuse.snapfuse"),
    };
    // The system's own places; media and disks the user mounts are below
    // /media, /run/media and /mnt, or elsewhere outside these.
    static const QStringList system = {
        QStringLiteral("/proc"), QStringLiteral("/sys"), QStringLiteral("/dev"), QStringLiteral("/run"),
        QStringLiteral("/snap"), QStringLiteral("/boot"), QStringLiteral("/var"), QStringLiteral("/tmp"),
        QStringLiteral("/etc"), QStringLiteral("/usr"), QStringLiteral("/opt"), QStringLiteral("/lib"),
    };
    QList<Volume> volumes;
    for (const Volume& v : mounted) {
        if (v.rootPath == QStringLiteral("/") || pseudo.contains(v.fileSystemType)) continue;
        // Disks have a device node; what has none (a bind of a sandbox, a
        // network share's helper) is not one.
        const bool network = v.fileSystemType.startsWith(QStringLiteral("nfs")) || v.fileSystemType == QStringLiteral("cifs") ||
                             v.fileSystemType == QStringLiteral("smb3");
        if (!network && !v.device.startsWith(QStringLiteral("/dev/"))) continue;
        const bool media = Contains(QStringLiteral("/run/media"), v.rootPath);
        if (!media && std::any_of(system.begin(), system.end(), [&](const QString& root) { return Contains(root, v.rootPath); }))
            continue;
        volumes.push_back(v);
    }
    return volumes;
}

QString DefaultFolder() {
#ifdef Q_OS_WIN
    return QStringLiteral("C:/");
#else
    return QDir::homePath();
#endif
}

FolderList::FolderList(QWidget* parent) : QListWidget(parent) {
    connect(this, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        const QString target = item->data(Qt::UserRole).toString();
        if (target != m_path && setPath(target)) emit pathChanged(m_path);
    });
}

bool FolderList::setPath(const QString& path) {
    QDir dir(path);
    if (!dir.exists() || !dir.isReadable()) return false;
    m_path = QDir::cleanPath(dir.absolutePath());
    clear();
    // The way down from the root, then the sub-folders one step further in.
    QStringList chain;
    for (QDir up(m_path);; ) {
        chain.prepend(up.absolutePath());
        if (!up.cdUp()) break;
    }
    int depth = 0;
    for (const QString& folder : chain) {
        const QString name = depth == 0 ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + name, this);
        item->setData(Qt::UserRole, folder);
        ++depth;
    }
    setCurrentRow(count() - 1);
    const auto subfolders = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase);
    for (const QString& sub : subfolders) {
        auto* item = new QListWidgetItem(QString(depth * 2, QLatin1Char(' ')) + sub, this);
        item->setData(Qt::UserRole, dir.absoluteFilePath(sub));
    }
    return true;
}

MainWindow::MainWindow(settings::KeyValueStore& store, RunState& state, run::RunServices services, QString appFolder,
                       QWidget* parent)
    : QWidget(parent), m_store(store), m_state(state), m_services(services), m_appFolder(std::move(appFolder)),
      m_run(services, *this, state, m_appFolder) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Tessaly  （Windows 10/11 対応）"));
    createControls();
    layOut();
    connectControls();
}

// The drive list: the volumes, or the home folder and the user's own volumes.
void MainWindow::fillDrives() {
#ifdef Q_OS_WIN
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid()) continue;
        QString text = QDir::toNativeSeparators(volume.rootPath()).left(2).toLower();
        if (!volume.name().isEmpty()) text += QStringLiteral(" [") + volume.name() + QStringLiteral("]");
        m_drives->addItem(text, volume.rootPath());
    }
#else
    // The home folder, then the media and disks the user has mounted.
    m_drives->addItem(QStringLiteral("ホーム [") + QDir::homePath() + QStringLiteral("]"), QDir::homePath());
    QList<Volume> mounted;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes()) {
        if (volume.isValid())
            mounted.push_back({volume.rootPath(), QString::fromUtf8(volume.fileSystemType()), QString::fromUtf8(volume.device()),
                               volume.name()});
    }
    for (const Volume& volume : UserVolumes(mounted)) {
        QString text = volume.rootPath;
        if (!volume.name.isEmpty()) text += QStringLiteral(" [") + volume.name + QStringLiteral("]");
        m_drives->addItem(text, volume.rootPath);
    }
#endif
}

void MainWindow::createControls() {
    m_drives = new QComboBox(this);
    m_drives->setObjectName(QStringLiteral("Drive1"));
    fillDrives();
    m_folders = new FolderList(this);
    m_folders->setObjectName(QStringLiteral("Dir1"));
    m_files = new QListWidget(this);
    m_files->setObjectName(QStringLiteral("File1"));
    m_fileType = new QComboBox(this);
    m_fileType->setObjectName(QStringLiteral("Combo1"));
    m_fileType->setEditable(true);
    m_fileType->setCompleter(nullptr);  // what is typed is the pattern, never completed into another
    m_fileType->setEditText(QStringLiteral("*.*"));
    m_remember = new QCheckBox(QStringLiteral("次回も同じフォルダを表示する"), this);
    m_remember->setObjectName(QStringLiteral("Check1"));

    QFont buttonFont(QStringLiteral("ＭＳ Ｐゴシック"), 12);
    m_runButton = new QPushButton(QStringLiteral("実行"), this);
    m_runButton->setObjectName(QStringLiteral("Command1"));
    QFont bold = buttonFont;
    bold.setBold(true);
    m_runButton->setFont(bold);
    m_utilityButton = new QPushButton(QStringLiteral("ユーティリティ"), this);
    m_utilityButton->setObjectName(QStringLiteral("Command2"));
    m_exitButton = new QPushButton(QStringLiteral("終了"), this);
    m_exitButton->setObjectName(QStringLiteral("Command3"));
    m_exitButton->setFont(buttonFont);
}

void MainWindow::layOut() {
    auto* group = new QGroupBox(QStringLiteral("ルビ変換処理の実行"), this);
    auto* groupLayout = new QVBoxLayout(group);
    auto* instruction = new QLabel(QStringLiteral("ルビ入り文書を選択し、ボタンを押して下さい。"), group);
    instruction->setFont(QFont(QStringLiteral("ＭＳ Ｐゴシック"), 10));
    instruction->setWordWrap(true);
    groupLayout->addWidget(instruction);
    groupLayout->addWidget(m_runButton);
    groupLayout->addWidget(m_utilityButton);
    groupLayout->addWidget(m_exitButton);
    groupLayout->addStretch();

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_drives, 0, 0);
    grid->addWidget(m_remember, 0, 1, 1, 2);
    grid->addWidget(m_folders, 1, 0, 2, 1);
    grid->addWidget(m_files, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("ファイルの種類 ："), this), 2, 1);
    grid->addWidget(m_fileType, 2, 2);
    grid->addWidget(group, 0, 3, 3, 1);
    resize(760, 420);
    // The list that has the keyboard focus is framed.
    setStyleSheet(QStringLiteral("QListWidget { border: 2px solid transparent; } "
                                 "QListWidget:focus { border: 2px solid palette(highlight); }"));
}

void MainWindow::connectControls() {
    connect(m_drives, &QComboBox::activated, this, [this](int index) { changeDrive(index); });
    connect(m_folders, &FolderList::pathChanged, this, [this](const QString& path) { changeFolder(path); });
    connect(m_fileType, &QComboBox::editTextChanged, this, [this](const QString& text) { changeFileType(text); });
    // Double-click or Enter on a file starts the run as the button does.
    connect(m_files, &QListWidget::itemActivated, this, [this] { runClicked(); });
    connect(m_files, &QListWidget::currentTextChanged, this, [this](const QString& name) {
        if (!name.isEmpty()) m_lastFile.insert(m_folders->path(), name);
    });
    setAcceptDrops(true);
    connect(m_runButton, &QPushButton::clicked, this, [this] { runClicked(); });
    connect(m_utilityButton, &QPushButton::clicked, this, [this] { utilityClicked(); });
    connect(m_exitButton, &QPushButton::clicked, this, [this] { exitClicked(); });
}

MainWindow::~MainWindow() { delete m_utility; }

QString MainWindow::driveRoot(int index) const { return m_drives->itemData(index).toString(); }

void MainWindow::selectDriveFor(const QString& path) {
    // The entry whose folder holds the path most closely.
    int best = -1;
    for (int i = 0; i < m_drives->count(); ++i) {
        const QString root = driveRoot(i);
        if (Contains(QDir::cleanPath(root), path) && (best < 0 || root.size() > driveRoot(best).size())) best = i;
    }
    if (best < 0) best = m_drives->findData(QStorageInfo(path).rootPath());
    const QSignalBlocker block(m_drives);
    if (best >= 0) m_drives->setCurrentIndex(best);
}

void MainWindow::fallBackToHome() {
    m_folders->setPath(DefaultFolder());
    selectDriveFor(m_folders->path());
    refreshFiles();
}

void MainWindow::load() {
    // The file types; the pattern comes from the box's text.
    {
        const QSignalBlocker block(m_fileType);
        m_fileType->addItem(QStringLiteral("*.doc;*.docx;*.txt"));
        m_fileType->addItem(QStringLiteral("*.doc;*.docx"));
        m_fileType->addItem(QStringLiteral("*.doc"));
        m_fileType->addItem(QStringLiteral("*.*; (全てのファイル)"));
        m_fileType->setEditText(QStringLiteral("*.*"));
    }
    if (m_store.read(QStringLiteral("ResumeFolder")) == QStringLiteral("1")) {
        const QString drive = m_store.read(QStringLiteral("DriveName"));
        const QString folder = m_store.read(QStringLiteral("DirName"));
        const QString pattern = m_store.read(QStringLiteral("File_Item"));
        const QString path = IsDefaultFolder(folder) ? DefaultFolder() : folder;
        const bool driveKnown = IsDefaultDrive(drive) || m_drives->findData(drive) >= 0 ||
                                m_drives->findText(drive, Qt::MatchStartsWith) >= 0;
        m_remember->setChecked(true);
        if (!driveKnown || !m_folders->setPath(path)) {
            // A remembered drive or folder that is gone: back to the default.
            m_folders->setPath(DefaultFolder());
        }
        selectDriveFor(m_folders->path());
        const QSignalBlocker block(m_fileType);
        m_fileType->setEditText(pattern);
    } else {
        m_folders->setPath(DefaultFolder());
        selectDriveFor(m_folders->path());
        const QSignalBlocker block(m_fileType);
        m_fileType->setEditText(QStringLiteral("*.doc;*.docx;*.txt"));
        m_remember->setChecked(false);
    }
    refreshFiles();
}

void MainWindow::refreshFiles() {
    // The file last selected in this folder is selected again, if it is still there.
    const QString folder = m_folders->path();
    const QString last = m_lastFile.value(folder);
    const QSignalBlocker block(m_files);
    m_files->clear();
    const QDir dir(folder);
    m_files->addItems(dir.entryList(NameFilters(m_fileType->currentText()), QDir::Files, QDir::Name | QDir::IgnoreCase));
    const auto found = last.isEmpty() ? QList<QListWidgetItem*>() : m_files->findItems(last, Qt::MatchExactly);
    if (!found.isEmpty()) m_files->setCurrentItem(found.front());
    else if (m_files->count() > 0) m_files->setCurrentRow(0);
}

bool MainWindow::selectFile(const QString& path) {
    const QFileInfo file(path);
    if (m_state.RunInProgress || !file.isFile() || !m_folders->setPath(file.absolutePath())) return false;
    selectDriveFor(m_folders->path());
    if (!QDir::match(NameFilters(m_fileType->currentText()), file.fileName())) {
        const QSignalBlocker block(m_fileType);
        m_fileType->setEditText(QStringLiteral("*.*"));
    }
    m_lastFile.insert(m_folders->path(), file.fileName());
    refreshFiles();
    return true;
}

void MainWindow::changeEvent(QEvent* event) {
    // Back in the window: the list shows what the folder holds now.
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_state.RunInProgress && !m_folders->path().isEmpty())
        refreshFiles();
    QWidget::changeEvent(event);
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (!m_state.RunInProgress && urls.size() == 1 && urls.front().isLocalFile() && QFileInfo(urls.front().toLocalFile()).isFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (!urls.isEmpty() && selectFile(urls.front().toLocalFile())) event->acceptProposedAction();
}

void MainWindow::changeDrive(int index) {
    if (m_state.RunInProgress || index < 0) return;
    const QString root = driveRoot(index);
    while (!m_folders->setPath(root)) {
        const QString drive = m_drives->itemText(index).left(2);
        const auto answer = m_services.messages.show(
            Message{u"エラー", (drive + QStringLiteral(" ドライブにディスク又はメディアをセットして下さい")).toStdU16String(),
                    MessageIcon::Critical, MessageButtons::RetryCancel});
        if (answer != MessageAnswer::Retry) {
            fallBackToHome();
            return;
        }
    }
    refreshFiles();
}

void MainWindow::changeFolder(const QString&) {
    if (m_state.RunInProgress) return;
    selectDriveFor(m_folders->path());
    refreshFiles();
}

void MainWindow::changeFileType(const QString&) {
    if (m_state.RunInProgress) return;
    refreshFiles();
}

QString MainWindow::currentFolder() { return QDir::toNativeSeparators(m_folders->path()); }

QString MainWindow::selectedFileName() {
    const auto* item = m_files->currentItem();
    return item ? item->text() : QString();
}

void MainWindow::setFileControlsEnabled(bool enabled) {
    for (QWidget* w : {static_cast<QWidget*>(m_drives), static_cast<QWidget*>(m_folders), static_cast<QWidget*>(m_files),
                       static_cast<QWidget*>(m_fileType), static_cast<QWidget*>(m_remember)})
        w->setEnabled(enabled);
}

void MainWindow::closeUtilityDialog() {
    if (!m_utility) return;
    m_utility->close();  // its unload stores every key
    delete m_utility;
}

ConversionOptions MainWindow::captureOptions() {
    // The dialog's model is loaded again, hidden, and captured.
    UtilityDialog model(m_store, m_options, m_services.messages, m_services.shell, m_appFolder);
    m_options = settings::CaptureOptions(model.values(), m_options.ResultAction);
    return m_options;
}

void MainWindow::focusMainWindow() { activateWindow(); }
void MainWindow::showMainWindow() { showNormal(); }
void MainWindow::minimiseMainWindow() { showMinimized(); }

void MainWindow::runClicked() { m_run.RunCommand(); }

void MainWindow::utilityClicked() {
    if (m_state.RunInProgress) return;
    if (!m_utility) {
        m_utility = new UtilityDialog(m_store, m_options, m_services.messages, m_services.shell, m_appFolder, this);
        placeBeside(*m_utility);
    }
    m_utility->showNormal();
    m_utility->raise();
    m_utility->activateWindow();
}

// The dialog beside the window, not over its lists: to its right where the
// screen has room, else to its left, else where it fits best.
void MainWindow::placeBeside(QWidget& dialog) {
    dialog.adjustSize();
    const QRect main = frameGeometry();
    const QScreen* screen = this->screen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const int width = dialog.frameGeometry().width();
    int x = main.right() + 1;
    if (x + width > room.right() + 1) x = main.left() - width;
    if (x < room.left()) x = std::max(room.left(), room.right() + 1 - width);
    dialog.move(x, std::clamp(main.top(), room.top(), std::max(room.top(), room.bottom() + 1 - dialog.frameGeometry().height())));
}

void MainWindow::exitClicked() {
    if (m_state.RunInProgress) return;
    close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (event->spontaneous() && m_state.RunInProgress) {
        event->ignore();
        return;
    }
    // The folder memory.
    if (m_remember->isChecked()) {
        m_store.write(QStringLiteral("ResumeFolder"), QStringLiteral("1"));
        m_store.write(QStringLiteral("DriveName"), driveRoot(m_drives->currentIndex()));
        m_store.write(QStringLiteral("DirName"), QDir::toNativeSeparators(m_folders->path()));
        m_store.write(QStringLiteral("File_Item"), m_fileType->currentText());
    } else {
        m_store.write(QStringLiteral("ResumeFolder"), QStringLiteral("0"));
        m_store.write(QStringLiteral("DriveName"), QStringLiteral("C:"));
        m_store.write(QStringLiteral("DirName"), QStringLiteral("C:\\"));
        m_store.write(QStringLiteral("File_Item"), QStringLiteral("*.doc"));
    }
    // Every dialog key, from the dialog or from its model loaded for this.
    if (m_utility) {
        m_utility->saveAll();
        m_utility->hide();
    } else {
        UtilityDialog(m_store, m_options, m_services.messages, m_services.shell, m_appFolder).saveAll();
    }
    if (auto* w = m_run.progressWindow()) w->hide();
    if (auto* w = m_run.preparationWindow()) w->hide();
    event->accept();
    QApplication::quit();
}

}  // namespace tessaly::app
