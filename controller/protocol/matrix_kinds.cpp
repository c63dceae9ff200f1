#include "controller/protocol/matrix_kinds.h"

#include <algorithm>

namespace controller {

namespace {

constexpr std::string_view nameOfCode(std::uint8_t code) {
    for (const TypeCodeName& entry : kTypeCodeNames) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return {};
}

// A device's identity names the kind it is, in the list's own words; and a kind whose AV mode
// chooses nothing switches every mode with the same code.
constexpr bool rowsAgree() {
    for (const MatrixKind& kind : kMatrixKinds) {
        if (nameOfCode(kind.typeCode) != kind.name) {
            return false;
        }
        if (!kind.avLayers && std::ranges::count(kind.signalCodes, kind.signalCodes[0]) !=
                                  static_cast<long>(kind.signalCodes.size())) {
            return false;
        }
    }
    return true;
}
static_assert(rowsAgree());

char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    return std::ranges::equal(a, b, [](char x, char y) { return lowerAscii(x) == lowerAscii(y); });
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    const char l = lowerAscii(c);
    return l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
}

// "A6", "a6", "0xA6", "5": one or two hex digits, with or without 0x.
std::optional<std::uint8_t> hexByte(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && lowerAscii(text[1]) == 'x') {
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 2) {
        return std::nullopt;
    }
    int value = 0;
    for (const char c : text) {
        const int digit = hexDigit(c);
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

} // namespace

const MatrixKind* matrixKindAt(int matrixType) {
    if (matrixType < 0 || matrixType >= static_cast<int>(kMatrixKinds.size())) {
        return nullptr;
    }
    return &kMatrixKinds[static_cast<std::size_t>(matrixType)];
}

int matrixTypeOf(const MatrixKind& kind) {
    return static_cast<int>(&kind - kMatrixKinds.data());
}

const MatrixKind* findMatrixKind(std::string_view text) {
    const auto code = hexByte(text);
    for (const MatrixKind& kind : kMatrixKinds) {
        if (sameIgnoringCase(text, kind.name) || sameIgnoringCase(text, kind.shortName) ||
            (code && *code == kind.typeCode)) {
            return &kind;
        }
    }
    return nullptr;
}

std::optional<std::uint8_t> typeCodeFromText(std::string_view text) {
    if (const MatrixKind* kind = findMatrixKind(text)) {
        return kind->typeCode;
    }
    for (const TypeCodeName& entry : kTypeCodeNames) {
        if (sameIgnoringCase(text, entry.name)) {
            return entry.code;
        }
    }
    return hexByte(text);
}

std::string_view typeCodeName(std::uint8_t code) {
    return nameOfCode(code);
}

bool hasAvLayers(int matrixType) {
    const MatrixKind* kind = matrixKindAt(matrixType);
    return kind != nullptr && kind->avLayers;
}

bool hasVideoProperties(int matrixType) {
    const MatrixKind* kind = matrixKindAt(matrixType);
    return kind != nullptr && kind->videoProperties;
}

std::optional<int> portsOfSizeIndex(int sizeIndex) {
    if (sizeIndex < 0 || sizeIndex >= static_cast<int>(kMatrixSizes.size())) {
        return std::nullopt;
    }
    return kMatrixSizes[static_cast<std::size_t>(sizeIndex)].ports;
}

std::optional<int> sizeIndexOfPorts(int ports) {
    for (std::size_t i = 0; i < kMatrixSizes.size(); ++i) {
        if (kMatrixSizes[i].ports == ports) {
            return static_cast<int>(i);
        }
    }
    return std::nullopt;
}

int baudForIndex(int baudIndex) {
    if (baudIndex < 0 || baudIndex >= static_cast<int>(kBaudRates.size())) {
        return kFallbackBaud;
    }
    return kBaudRates[static_cast<std::size_t>(baudIndex)];
}

std::optional<int> baudIndexOfRate(int rate) {
    const auto at = std::ranges::find(kBaudRates, rate);
    if (at == kBaudRates.end()) {
        return std::nullopt;
    }
    return static_cast<int>(at - kBaudRates.begin());
}

} // namespace controller
