#pragma once

#include <string_view>

namespace quillet {

// The child windows' IDs, one per control of windowForm: Win32 finds controls by ID, so tests and
// accessibility tools find each one by its objectName's ID.
enum ControlId : int {
    NoControlId = 0,
    ChartFrameId = 1001, // Frame1
    PathLabelId, // Label1
    PathEditId, // Text2
    BrowseButtonId, // Command2
    LogFrameId, // Frame2
    LogPaneId, // Text1
    SiteLabelId, // Label2
    CheckButtonId, // Command1
};

/// The ID of the control with the form's objectName; NoControlId for the window and unknown names.
constexpr ControlId controlId(std::string_view objectName)
{
    constexpr struct
    {
        std::string_view name;
        ControlId id;
    } ids[] = {{"Frame1", ChartFrameId}, {"Label1", PathLabelId}, {"Text2", PathEditId},
        {"Command2", BrowseButtonId}, {"Frame2", LogFrameId}, {"Text1", LogPaneId},
        {"Label2", SiteLabelId}, {"Command1", CheckButtonId}};
    for (const auto &entry : ids) {
        if (entry.name == objectName)
            return entry.id;
    }
    return NoControlId;
}

} // namespace quillet
