// The report page: one self-contained HTML file (inline style sheet and SVG, no script, nothing
// loaded from elsewhere) with a section per tag and the skipped lines at the end.
#pragma once

#include <string>
#include <vector>

#include "progress_log.h"

namespace vellaro::lessonreport {

// sources are the logs' names as given, for the page's first lines.
std::string reportPage(const ProgressLog& log, const std::vector<std::string>& sources);

// "No line skipped", "1 line skipped", "N lines skipped": the page's last heading.
std::string skippedHeading(size_t count);

}  // namespace vellaro::lessonreport
