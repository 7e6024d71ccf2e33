// Where a run's time and memory went, as parts of its page: the stage table
// and chart from the log's "[Stage times]", and the filter graph's nodes
// that hold the most memory.
#pragma once

#include <string>

#include "report/filter_graph.h"
#include "report/stage_times.h"

namespace report {

// The nodes listed, most bytes first.
inline constexpr size_t kListedGraphNodes = 10;

// Longer names are cut (with "...") so they stay left of a chart's bars.
inline constexpr size_t kShownNameBytes = 36;
std::string ShownName(const std::string& name);

// heading: "h2" or "h3". Empty when the log has no stage table.
std::string StageTimesHtml(const StageTimes& times, const std::string& heading);

// One <svg>: a horizontal bar per stage, its self ms per frame; names
// escaped and cut to a length that fits beside the bars.
std::string StageChartSvg(const StageTimes& times);

// Empty when no graph file was found; a one-line note when it could not be
// read.
std::string MemoryPerFilterHtml(const FilterGraph& graph, const std::string& graph_path,
                                const std::string& heading);

}  // namespace report
