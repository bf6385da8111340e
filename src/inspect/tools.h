#pragma once
namespace quillon {
// Connects the finders' View and Details to the viewer and the details window.
void RegisterInspectTools();
} // namespace quillon
