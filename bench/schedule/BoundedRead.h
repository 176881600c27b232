#pragma once

// Packets of every shape up to 20 MB, each read in a process of its own: how long the read takes
// (processor time of the reading process; the wall clock is printed beside it) and how much
// resident memory it adds, against 5 seconds and 50 times the packet's size.
// A valid packet within those bounds must be read; a hostile one may be refused with a message.

// Runs every case and prints its target lines; the packets go to files in a temporary folder.
void RunBoundedReadCases(const char* program);

// The child's side: reads one file and prints "read|refused MILLISECONDS KILOBYTES MESSAGE".
int ReadOnePacket(const char* fileName);
