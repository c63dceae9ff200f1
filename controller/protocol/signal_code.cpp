#include "controller/protocol/signal_code.h"

namespace controller {

std::uint8_t signalCode(int matrixType, int avMode) {
    const MatrixKind* kind = matrixKindAt(matrixType);
    if (kind == nullptr) {
        return kUnlistedTypeSignal;
    }
    if (!kind->avLayers) {
        return kind->signalCodes[0];
    }
    if (avMode < 0 || avMode >= kAvModeCount) {
        return kUnlistedModeSignal;
    }
    return kind->signalCodes[static_cast<std::size_t>(avMode)];
}

std::string_view signalCodeName(std::uint8_t code) {
    return typeCodeName(code);
}

} // namespace controller
