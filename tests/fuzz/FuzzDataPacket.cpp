// libFuzzer entry for the data-packet reader: any bytes either load or are refused with an Exception;
// what loads is written back and must read again.

#include "schedule/packet/DataPacketCodec.h"
#include "toolkit/base/Exception.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TDataPacketCodec codec;
    TablePacket packet;
    try {
        packet = codec.read(bytes);
    } catch (const Exception&) {
        return 0;
    }
    QByteArray written;
    try {
        written = codec.write(packet);
    } catch (const Exception&) {
        return 0; // a name the code page cannot hold: refused, nothing written
    }
    try {
        codec.read(written);
    } catch (const Exception&) {
        std::abort(); // the writer's own file must always read
    }
    return 0;
}
