#pragma once

#include "chartreader.h"

// The chart being checked, as the browser's File that the worker holds: each reader reads it
// from its first byte, in slices of 16 MiB (the worker's script), never whole.
class PageChartReader : public quillet::ChartReader
{
public:
    PageChartReader();
    ~PageChartReader() override;
    PageChartReader(const PageChartReader &) = delete;
    PageChartReader &operator=(const PageChartReader &) = delete;

    long long read(char *data, std::size_t size, int &error) override;

private:
    int m_reader;
};
