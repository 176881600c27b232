#pragma once

// The state of a client table and of the data source bound to it.
enum class TableState
{
    Inactive, // closed
    Browse,   // open, no pending change
    Edit,     // the current row is being changed
    Insert    // a new row is being made
};
