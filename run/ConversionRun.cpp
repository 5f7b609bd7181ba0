#include "run/ConversionRun.h"

#include <QDir>
#include <QWidget>

#include <stdexcept>

#include <filesystem>

#include "engine/Engine.h"
#include "engine/OutputFiles.h"
#include "proof/ProofPage.h"
#include "run/RunMessages.h"
#include "wordproc/Readers.h"

namespace tessaly::run {
namespace {

std::filesystem::path PathOf(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

}  // namespace

bool IsManuscriptFileName(const QString& name) {
    return name.endsWith(QStringLiteral(".doc"), Qt::CaseInsensitive) || name.endsWith(QStringLiteral(".docx"), Qt::CaseInsensitive) ||
           name.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
}

void ThrottledProgress::paint(double now) {
    if (!m_countShown) {
        m_progress.setConvertedCount(m_count);
        m_countShown = true;
    }
    m_progress.UpdateProgress(m_value, m_max, m_width, m_caption);  // repaints at once
    m_shownPercent = static_cast<int>(RoundHalfEven(100.0 * m_value / m_max));
    m_lastPaint = now;
}

void ThrottledProgress::UpdateProgress(int value, int max, float width, const std::u16string& caption) {
    if (max == 0) throw std::runtime_error("progress total of 0");
    m_value = value;
    m_max = max;
    m_width = width;
    if (m_caption.size() != static_cast<qsizetype>(caption.size()) || m_caption != QStringView(caption))
        m_caption = QString::fromStdU16String(caption);
    const double now = m_services.clock.seconds();
    if (static_cast<int>(RoundHalfEven(100.0 * value / max)) != m_shownPercent || now - m_lastPaint >= kFrameSeconds) paint(now);
}

void ThrottledProgress::ShowConvertedCount(int32_t count) {
    m_count = count;
    m_countShown = false;
}

void ThrottledProgress::Yield() {
    const double now = m_services.clock.seconds();
    if (now - m_lastYield < kFrameSeconds) return;
    // The latest count, before the window's turn, unless painted within the frame.
    if (!m_countShown && now - m_lastPaint >= kFrameSeconds) paint(now);
    m_services.clock.processEvents();
    m_lastYield = now;
}

void ThrottledProgress::Pause(std::chrono::milliseconds duration) {
    // The clipboard's second try waits without handling events.
    const double start = m_services.clock.seconds();
    while (RoundHalfEven(m_services.clock.seconds() - start) < duration.count() / 1000.0) {
    }
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

void ConversionRun::closeWord() { m_word.reset(); }

void ConversionRun::closeRunWindows() {
    if (m_preparation) m_preparation->close();
    if (m_progress) m_progress->close();
}

void ConversionRun::failed(const QString& reason) {
    QString text = RunFailedText();
    if (!reason.isEmpty()) text += QStringLiteral("\r\n\r\n") + reason;
    warn(text);
    m_state.RunInProgress = false;
    closeRunWindows();
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
    } catch (const std::exception&) {
        failed({});
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

void ConversionRun::showProofPage(const QString& outputFolder) {
    const std::filesystem::path folder = PathOf(outputFolder);
    const std::filesystem::path output = folder / PathOf(QString::fromStdU16String(m_state.OutputFileName));
    const std::filesystem::path page = folder / ProofFileNameFor(output.filename());
    try {
        proof::ProofReport report{QString::fromStdU16String(m_state.DocumentName).toStdString(), {}};
        for (auto& [text, paragraph] : wordproc::LeftOutItems(m_readReport.leftOut)) report.items.push_back({text, paragraph});
        proof::WriteProofPage(page, proof::ReadTaggedTextFile(output), report);
    } catch (const std::exception& e) {
        warn(QStringLiteral("校正用HTMLを作成できませんでした。\r\n\r\n") + QString::fromStdString(e.what()));
        return;
    }
    const QString pagePath = QString::fromStdU16String(page.u16string());
    if (!m_services.shell.open(pagePath))
        warn(OpenFailedText(QString::fromStdU16String(page.filename().u16string()), QDir::toNativeSeparators(outputFolder)));
}

void ConversionRun::place(QWidget& window) {
    QWidget* main = m_main.mainWidget();
    if (!main) return;
    const QRect over = main->frameGeometry();
    window.move(over.center() - QPoint(window.width() / 2, window.height() / 2));
}

void ConversionRun::RunConversion(const ConversionOptions& given) {
    // Where InDesign cannot be driven, placing into it opens the text file.
    ConversionOptions options = given;
    if (options.ResultAction == 3 && !m_services.inDesign.canDrive()) options.ResultAction = 2;
    m_state.DocumentName.clear();
    m_state.AbortRequested = false;
    m_state.RunInProgress = false;
    std::unique_ptr<InDesignApplication> inDesign;
    try {
        // The custom header must be there before anything starts.
        const auto header = PathOf(m_appFolder) / std::filesystem::path(kTempFolder) / std::filesystem::path(kCustomHeaderFile);
        std::error_code ec;
        if (options.TagHeader == 1 && !std::filesystem::is_regular_file(header, ec)) {
            warn(MissingHeaderText(QDir::toNativeSeparators(m_appFolder)));
            return;
        }
        // Start the word processor and open the document.
        MaximizeWordWindow(m_services.windows);
        try {
            m_readReport = {};
            m_word = wordproc::ReadDocument(PathOf(QString::fromStdU16String(m_state.DocumentPath)),
                                            wordproc::ReadOptions{m_main.rubyNotation()}, &m_readReport);
        } catch (const wordproc::ReadError& e) {
            failed(QString::fromStdString(e.reason()));
            return;
        }
        m_state.DocumentName = m_word->ActiveDocument().Name();
        m_main.focusMainWindow();

        const Message confirmation{u"Tessaly",
                                   StartConfirmationText(QString::fromStdU16String(m_state.DocumentPath),
                                                         options.ResultAction == 3)
                                       .toStdU16String(),
                                   MessageIcon::Information, MessageButtons::OkCancel};
        if (m_services.messages.show(confirmation) == MessageAnswer::Cancel) {
            closeWord();
            return;
        }
        if (m_state.DocumentName.empty() || m_state.DocumentName.find(u'.') == std::u16string::npos) {
            warn(DocumentNameText());
            m_word.reset();  // released; the document is not closed in a word processor of its own
            return;
        }
        if (options.ResultAction == 3) {
            inDesign = m_services.inDesign.connect();
            if (inDesign->documentCount() == 0) {
                warn(NoInDesignDocumentText());
                closeWord();
                return;
            }
            if (inDesign->activeDocumentTextFrameCount() == 0) {
                warn(NoInDesignFrameText());
                closeWord();
                return;
            }
        }

        // Commit.
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
        const double start = m_services.clock.seconds();

        // The preparation pause, the only time the user can abort; it
        // starts once the window is on screen.
        m_preparation->show();
        WaitUntilExposed(*m_preparation, m_services.clock);
        const double pauseStart = m_services.clock.seconds();
        for (;;) {
            const double elapsed = RoundHalfEven(m_services.clock.seconds() - pauseStart);
            m_services.clock.processEvents();
            if (elapsed >= m_services.pauses.preparation) break;
        }
        m_preparation->close();
        if (m_state.AbortRequested) {
            closeWord();
            m_progress->close();
            m_state.RunInProgress = false;
            m_main.focusMainWindow();
            return;
        }

        m_state.ProgressBarWidth = m_progress->ShowProgress(kRunningCaption);
        WaitUntilExposed(*m_progress, m_services.clock);
        m_services.clock.processEvents();
        m_progress->setConvertedCount(0);
        m_progress->UpdateProgress(10, 100, m_state.ProgressBarWidth, kRunningCaption);
        m_services.clock.processEvents();

        m_state.EngineFailed = false;
        ThrottledProgress host(*m_progress, m_services);
        EngineContext context{*m_word, *m_word, options, m_state, host, PathOf(m_appFolder)};
        ConvertToTaggedText(context);
        if (m_state.EngineFailed) {
            m_state.RunInProgress = false;
            m_progress->close();
            return;
        }
        if (m_state.ConvertedCount == 0) {
            m_progress->close();
            QString text = NothingConvertedText();
            if (const size_t left = m_readReport.notationLeft.total()) text += QStringLiteral("\r\n\r\n") + NotationLeftText(left);
            warn(text);
            m_main.focusMainWindow();
            m_state.RunInProgress = false;
            return;
        }

        closeWord();
        m_progress->setConvertedCount(m_state.ConvertedCount);
        m_progress->FinishProgress(kFinishingCaption, m_services.clock, m_services.pauses.completion);
        const QString outputFolder = m_appFolder + QLatin1Char('/') + QString::fromStdU16String(std::u16string(kOutputFolder)) + QLatin1Char('/');
        const QString output = outputFolder + QString::fromStdU16String(m_state.OutputFileName);
        if (options.ResultAction == 3) {
            inDesign->placeIntoFirstFrame(QDir::toNativeSeparators(output));
            inDesign.reset();
        }
        m_main.showMainWindow();
        const QString seconds = QString::number(m_services.clock.seconds() - start, 'f', 1);
        QString report = FinalReportText(seconds, m_state.ConvertedCount);
        if (!m_readReport.leftOut.empty())
            report += QStringLiteral("\r\n\r\n") + QString::fromStdString(wordproc::LeftOutSummary(m_readReport.leftOut));
        if (const size_t left = m_readReport.notationLeft.total()) report += QStringLiteral("\r\n\r\n") + NotationLeftText(left);
        m_services.messages.show(Message{u"Tessaly", report.toStdU16String(), MessageIcon::Information, MessageButtons::Ok});
        m_main.minimiseMainWindow();
        m_state.RunInProgress = false;
        if (options.ResultAction == 2 && !m_services.shell.open(output)) {
            warn(OpenFailedText(QString::fromStdU16String(m_state.OutputFileName),
                                QDir::toNativeSeparators(outputFolder)));
        }
        if (m_main.proofPage()) showProofPage(outputFolder);
    } catch (const std::exception&) {
        failed({});
    }
}

}  // namespace tessaly::run
