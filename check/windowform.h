#pragma once

#include <algorithm>
#include <array>
#include <string_view>

namespace quillet {

// The main window's form, with no toolkit in it: every window reads its controls from here.
enum class ControlKind { Window, Frame, Label, PathEdit, Button, LogPane };

// The child windows' IDs: Win32 finds a control by its ID as Qt finds a widget by its objectName.
enum ControlId : int {
    NoControlId = 0, // the window itself
    ChartFrameId = 1001,
    PathLabelId,
    PathEditId,
    BrowseButtonId,
    LogFrameId,
    LogPaneId,
    SiteLabelId,
    CheckButtonId,
};

struct FormControl
{
    std::string_view objectName; // fixed: tests and accessibility tools find controls by it
    ControlId id;
    ControlKind kind;
    std::string_view container; // objectName of the container; empty for the window
    std::string_view caption; // caption or initial text
    int left, top, width, height; // twips (1/1440 inch) from the container's top-left corner;
                                  // the window's width and height are its client area's
    int tabIndex; // -1 for the window
};

// In creation order: each container before what it contains.
inline constexpr std::array<FormControl, 9> windowForm = {{
    {"Form1", NoControlId, ControlKind::Window, "", "Quillet v1.0", 0, 0, 6255, 3915, -1},
    {"Frame1", ChartFrameId, ControlKind::Frame, "Form1", "Select SM File (Single BPM)", 120, 120,
        6015, 735, 0},
    {"Label1", PathLabelId, ControlKind::Label, "Frame1", "Target SM:", 120, 240, 855, 255, 3},
    {"Text2", PathEditId, ControlKind::PathEdit, "Frame1", "", 960, 240, 4455, 285, 1},
    {"Command2", BrowseButtonId, ControlKind::Button, "Frame1", "...", 5520, 240, 375, 255, 2},
    {"Frame2", LogFrameId, ControlKind::Frame, "Form1", "Logs", 120, 960, 6015, 2415, 4},
    {"Text1", LogPaneId, ControlKind::LogPane, "Frame2", "", 120, 240, 5775, 2055, 5},
    {"Label2", SiteLabelId, ControlKind::Label, "Form1", "www.vorblen.com", 120, 3600, 1935, 255,
        6},
    {"Command1", CheckButtonId, ControlKind::Button, "Form1", "Check file", 4440, 3480, 1695, 375,
        7},
}};

inline constexpr int twipsPerInch = 1440;

/// The form's row for objectName, which must be one of the form's.
constexpr const FormControl &formControl(std::string_view objectName)
{
    // Not std::ranges: the browser page's toolchain (emscripten's libc++ 14) has none.
    return *std::find_if(windowForm.begin(), windowForm.end(),
        [objectName](const FormControl &control) { return control.objectName == objectName; });
}

// What "..." asks of the open-file dialog: its title, and its one filter as Windows takes it, a
// description and its pattern each ended by NUL.
struct FileDialogForm
{
    std::string_view title;
    std::string_view filter;
};

inline constexpr char chartFilterText[] = "Step Mania Single BPM File(*.sm)\0*.sm";
inline constexpr FileDialogForm chartDialog {
    "Select SM", std::string_view(chartFilterText, sizeof chartFilterText - 1)};

} // namespace quillet
