// The single-instance message parser on arbitrary bytes, as the running copy receives them
// from its local channel: the size it announces agrees with what decoding accepts, and an
// accepted message encodes back to one that decodes to the same command line.

#include <string_view>

#include "app/instance_message.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // The channel reads until the announced size has arrived.
    std::size_t announced = 0;
    bool headerGood = true;
    try {
        announced = InstanceMessageSize(bytes);
        FuzzExpect(announced == 0 || (announced >= kInstanceMessageHeaderSize &&
                                      announced <= kInstanceMessageMax),
                   "an announced size outside the format's limits");
        FuzzExpect((announced == 0) == (size < kInstanceMessageHeaderSize),
                   "no size announced for a whole header, or one for a partial header");
    } catch (const EInstanceMessageError&) {
        headerGood = false;
    }

    TInstanceMessage message;
    try {
        message = DecodeInstanceMessage(bytes);
    } catch (const EInstanceMessageError&) {
        return 0;
    }
    FuzzExpect(headerGood && announced == size, "a message decoded that its header refuses");
    FuzzExpect(!message.ParamStr.empty(), "a message without a program path");

    const std::string encoded = EncodeInstanceMessage(message.ParamStr, message.ActivationToken);
    const TInstanceMessage again = DecodeInstanceMessage(encoded);
    FuzzExpect(again.ParamStr == message.ParamStr, "the command line did not survive encoding");
    const bool tokenKept = message.ActivationToken.find('\0') == std::string::npos;
    FuzzExpect(again.ActivationToken == (tokenKept ? message.ActivationToken : std::string()),
               "the activation token did not survive encoding");
    return 0;
}
