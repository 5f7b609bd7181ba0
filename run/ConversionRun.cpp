#include "run/ConversionRun.h"

#include <QDir>
#include <QWidget>

#include <filesystem>
#include <stdexcept>

#include "engine/OutputFiles.h"
#include "engine/TaggedTextHeader.h"
#include "engine/WordStandIns.h"
#include "run/RunMessages.h"

namespace tessaly::run {
namespace {

std::filesystem::path PathOf(const QString& path) { return std::filesystem::path(path.toStdU16String()); }
QString TextOf(const std::string& utf8) { return QString::fromStdString(utf8); }

}  // namespace

bool IsManuscriptFileName(const QString& name) {
    return name.endsWith(QStringLiteral(".doc"), Qt::CaseInsensitive) || name.endsWith(QStringLiteral(".docx"), Qt::CaseInsensitive) ||
           name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
}

ConversionRun::ConversionRun(RunServices services, MainWindowAccess& main, RunState& state, QString appFolder)
    : m_services(services), m_main(main), m_state(state), m_appFolder(std::move(appFolder)) {}

ConversionRun::~ConversionRun() {
    delete m_preparation;
    delete m_progress;
}

void ConversionRun::warn(const QString& text, MessageIcon icon) {
    m_services.messages.show(Message{u"確認", text.toStdU16String(), icon, MessageButtons::Ok});
}

void ConversionRun::closeWord() { m_manuscript.reset(); }

void ConversionRun::closeRunWindows() {
    if (m_preparation) m_preparation->close();
    if (m_progress) m_progress->close();
}

void ConversionRun::failed(const QString& reason) {
    // The reason, where it is known, first: the fixed causes after it.
    warn(reason.isEmpty() ? RunFailedText() : reason + QStringLiteral("\r\n\r\n") + RunFailedText());
    m_state.RunInProgress = false;
    closeRunWindows();
}

QString ConversionRun::outputFolder() const {
    return m_appFolder + QLatin1Char('/') + QString::fromStdU16String(std::u16string(kOutputFolder)) + QLatin1Char('/');
}

void ConversionRun::RunCommand() {
    if (m_state.RunInProgress) return;
    try {
        if (FindVisibleWordWindow(m_services.windows)) {
            warn(WordRunningText(), MessageIcon::Information);
            return;
        }
        m_main.closeUtilityDialog();
        m_main.focusMainWindow();
        for (const auto folder : {kTempFolder, kOutputFolder}) {
            const auto path = PathOf(m_appFolder) / std::filesystem::path(folder);
            if (!FolderExistsAt(path)) CreateFolderAt(path);
        }
        QString folder = m_main.currentFolder();
        if (!folder.endsWith(QDir::separator()) && !folder.endsWith(QLatin1Char('/'))) folder += QDir::separator();
        m_state.DocumentFolder = folder.toStdU16String();
        m_state.DocumentFileName = m_main.selectedFileName().toStdU16String();
        m_state.DocumentPath = m_state.DocumentFolder + m_state.DocumentFileName;
    } catch (const std::exception& e) {
        failed(TextOf(convert::FailureText(e)));
        m_main.focusMainWindow();
        return;
    }
    if (IsManuscriptFileName(QString::fromStdU16String(m_state.DocumentFileName))) {
        if (m_preparation) m_preparation->close();
        RunConversion(m_main.captureOptions());
    } else {
        warn(NotDocFileText());
    }
    m_main.setFileControlsEnabled(true);
}

void ConversionRun::RunConversion(const ConversionOptions& given) {
    // Where InDesign cannot be driven, placing into it opens the text file.
    m_options = given;
    if (m_options.ResultAction == kPlaceIntoInDesign && !m_services.inDesign.canDrive()) m_options.ResultAction = kOpenTextFile;
    m_state.DocumentName.clear();
    m_state.AbortRequested = false;
    m_state.RunInProgress = false;
    m_inDesign.reset();
    m_result = {};
    try {
        if (!checkCustomHeader() || !openDocument() || !confirmStart() || !checkInDesign()) return;
        commit();
        if (!preparationPause() || !convertDocument()) return;
        finish();
    } catch (const std::exception& e) {
        failed(TextOf(convert::FailureText(e)));
    }
}

// The custom header must be there, and serve, before anything starts.
bool ConversionRun::checkCustomHeader() {
    m_customHeader.reset();
    if (m_options.TagHeader != kCustomHeader) return true;
    const auto header = PathOf(m_appFolder) / std::filesystem::path(kTempFolder) / std::filesystem::path(kCustomHeaderFile);
    std::error_code ec;
    if (!std::filesystem::exists(header, ec)) {
        warn(MissingHeaderText(QDir::toNativeSeparators(m_appFolder)));
        return false;
    }
    try {
        m_customHeader = ReadCustomHeader(header);
    } catch (const CustomHeaderError& e) {
        warn(UnusableHeaderText(QDir::toNativeSeparators(QString::fromStdU16String(header.u16string())), TextOf(e.what())));
        return false;
    }
    return true;
}

// Starts the word processor and opens the document.
bool ConversionRun::openDocument() {
    MaximizeWordWindow(m_services.windows);
    std::string failure;
    m_manuscript = convert::OpenManuscript(PathOf(QString::fromStdU16String(m_state.DocumentPath)), m_main.readOptions(), failure);
    if (!m_manuscript) {
        failed(TextOf(failure));
        return false;
    }
    m_state.DocumentName = m_manuscript->name();
    m_main.focusMainWindow();
    return true;
}

bool ConversionRun::confirmStart() {
    const Message confirmation{u"Tessaly",
                               StartConfirmationText(QString::fromStdU16String(m_state.DocumentPath),
                                                     m_options.ResultAction == kPlaceIntoInDesign)
                                   .toStdU16String(),
                               MessageIcon::Information, MessageButtons::OkCancel};
    if (m_services.messages.show(confirmation) == MessageAnswer::Cancel) {
        closeWord();
        return false;
    }
    if (m_state.DocumentName.empty() || m_state.DocumentName.find(u'.') == std::u16string::npos) {
        warn(DocumentNameText());
        m_manuscript.reset();  // released; the document is not closed in a word processor of its own
        return false;
    }
    return true;
}

bool ConversionRun::checkInDesign() {
    if (m_options.ResultAction != kPlaceIntoInDesign) return true;
    m_inDesign = m_services.inDesign.connect();
    if (m_inDesign->documentCount() == 0) {
        warn(NoInDesignDocumentText());
        closeWord();
        return false;
    }
    if (m_inDesign->activeDocumentTextFrameCount() == 0) {
        warn(NoInDesignFrameText());
        closeWord();
        return false;
    }
    return true;
}

void ConversionRun::place(QWidget& window) {
    QWidget* main = m_main.mainWidget();
    if (!main) return;
    const QRect over = main->frameGeometry();
    window.move(over.center() - QPoint(window.width() / 2, window.height() / 2));
}

void ConversionRun::commit() {
    m_state.RunInProgress = true;
    m_main.setFileControlsEnabled(false);
    delete m_preparation;
    delete m_progress;
    m_preparation = new PreparationWindow(m_state, m_services.messages, m_main.mainWidget());
    m_progress = new ProgressWindow(m_state, m_main.mainWidget());
    place(*m_preparation);
    place(*m_progress);
    const QString name = QString::fromStdU16String(m_state.DocumentName);
    m_preparation->setDocumentName(name);
    m_progress->setDocumentName(name);
    m_start = m_services.clock.seconds();
}

// The preparation pause, the only time the user can abort; it starts once
// the window is on screen.
bool ConversionRun::preparationPause() {
    m_preparation->show();
    WaitUntilExposed(*m_preparation, m_services.clock);
    const double pauseStart = m_services.clock.seconds();
    for (;;) {
        const double elapsed = RoundHalfEven(m_services.clock.seconds() - pauseStart);
        m_services.clock.processEvents();
        if (elapsed >= m_services.pauses.preparation) break;
    }
    m_preparation->close();
    if (!m_state.AbortRequested) return true;
    closeWord();
    m_progress->close();
    m_state.RunInProgress = false;
    m_main.focusMainWindow();
    return false;
}

bool ConversionRun::convertDocument() {
    m_state.ProgressBarWidth = m_progress->ShowProgress(kRunningCaption);
    WaitUntilExposed(*m_progress, m_services.clock);
    m_services.clock.processEvents();
    m_progress->setConvertedCount(0);
    m_progress->UpdateProgress(10, 100, m_state.ProgressBarWidth, kRunningCaption);
    m_services.clock.processEvents();

    ThrottledProgress host(*m_progress, m_services);
    convert::ConversionRequest request;
    request.options = m_options;
    request.proofPage = m_main.proofPage();
    request.appFolder = PathOf(m_appFolder);
    request.customHeader = m_customHeader;
    m_result = convert::ConvertOpened(*m_manuscript, request, m_state, host);
    if (m_result.engineGaveUp) {
        m_state.RunInProgress = false;
        m_progress->close();
        return false;
    }
    if (!m_result.written) {
        failed(TextOf(m_result.failure));
        return false;
    }
    if (m_state.ConvertedCount > 0) return true;
    m_progress->close();
    QString text = NothingConvertedText();
    if (const size_t left = m_manuscript->report.notationLeft.total()) text += QStringLiteral("\r\n\r\n") + NotationLeftText(left);
    warn(text);
    m_main.focusMainWindow();
    m_state.RunInProgress = false;
    return false;
}

void ConversionRun::finish() {
    const wordproc::ReadReport report = m_manuscript->report;
    closeWord();
    m_progress->setConvertedCount(m_state.ConvertedCount);
    m_progress->FinishProgress(kFinishingCaption, m_services.clock, m_services.pauses.completion);
    const QString output = outputFolder() + QString::fromStdU16String(m_state.OutputFileName);
    if (m_options.ResultAction == kPlaceIntoInDesign) {
        m_inDesign->placeIntoFirstFrame(QDir::toNativeSeparators(output));
        m_inDesign.reset();
    }
    m_main.showMainWindow();
    const QString seconds = QString::number(m_services.clock.seconds() - m_start, 'f', 1);
    QString text = FinalReportText(seconds, m_state.ConvertedCount);
    if (!report.leftOut.empty()) text += QStringLiteral("\r\n\r\n") + TextOf(wordproc::LeftOutSummary(report.leftOut));
    if (const size_t left = report.notationLeft.total()) text += QStringLiteral("\r\n\r\n") + NotationLeftText(left);
    m_services.messages.show(Message{u"Tessaly", text.toStdU16String(), MessageIcon::Information, MessageButtons::Ok});
    m_main.minimiseMainWindow();
    m_state.RunInProgress = false;
    if (m_options.ResultAction == kOpenTextFile && !m_services.shell.open(output))
        warn(OpenFailedText(QString::fromStdU16String(m_state.OutputFileName), QDir::toNativeSeparators(outputFolder())));
    if (m_main.proofPage()) showProofPage();
}

void ConversionRun::showProofPage() {
    if (m_result.proofFile.empty()) {
        warn(QStringLiteral("校正用HTMLを作成できませんでした。\r\n\r\n") + TextOf(m_result.failure));
        return;
    }
    const QString page = QString::fromStdU16String(m_result.proofFile.u16string());
    if (!m_services.shell.open(page))
        warn(OpenFailedText(QString::fromStdU16String(m_result.proofFile.filename().u16string()), QDir::toNativeSeparators(outputFolder())));
}

}  // namespace tessaly::run
