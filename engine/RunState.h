// RunState: the record of the current conversion run, shared by the run,
// the engine and the front ends. Everything is empty, zero or false at first.
#pragma once

#include <cstdint>
#include <string>

namespace tessaly {

struct RunState {
    std::u16string DocumentFolder;    // folder of the selected document
    std::u16string DocumentFileName;  // file name selected in the file list
    std::u16string DocumentPath;      // DocumentFolder + DocumentFileName
    std::u16string DocumentName;      // name of the open document (file name with extension)
    std::u16string OutputFileName;    // tagged-text file name inside RubyData
    int32_t ConvertedCount = 0;       // converted places of the current run
    bool RunInProgress = false;
    bool AbortRequested = false;
    bool EngineFailed = false;        // the engine gave up after telling the user why
    float ProgressBarWidth = 0.0f;    // full width of the progress bar
};

}  // namespace tessaly
