#pragma once

#include "toolkit/DataSource.h"
#include "toolkit/DbGrid.h"
#include "toolkit/MemTable.h"

// A grid over an in-memory table through a data source, as the windows bind
// them; the grid goes first when it is destroyed.
struct BoundGrid
{
    BoundGrid()
    {
        source.setDataSet(&table);
        grid.setDataSource(&source);
    }

    MemTable table;
    DataSource source;
    DbGrid grid;
};
