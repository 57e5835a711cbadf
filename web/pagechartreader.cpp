#include "pagechartreader.h"

#include "pagebridge.h"

#include <cerrno>

PageChartReader::PageChartReader()
    : m_reader(pageOpenChart())
{ }

PageChartReader::~PageChartReader()
{
    pageCloseChart(m_reader);
}

long long PageChartReader::read(char *data, std::size_t size, int &error)
{
    const int count = pageReadChart(m_reader, data, size);
    if (count < 0)
        error = EIO;
    return count;
}
