#pragma once

#include "formats/ChunkIds.h"
#include "formats/ChunkLayout.h"
#include "formats/ChunkWriter.h"

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn::test {

// Bytes of a chunk document assembled by hand, little-endian, for checking
// the writer byte for byte and for feeding the reader damaged input.
struct ByteBuilder {
    std::vector<std::uint8_t> bytes;

    ByteBuilder& Word(std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
        return *this;
    }
    ByteBuilder& Real(double value) {
        const auto bits = std::bit_cast<std::uint64_t>(value);
        for (int i = 0; i < 8; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
        }
        return *this;
    }
    ByteBuilder& Raw(std::initializer_list<std::uint8_t> raw) {
        bytes.insert(bytes.end(), raw);
        return *this;
    }
    ByteBuilder& Append(const ByteBuilder& other) {
        bytes.insert(bytes.end(), other.bytes.begin(), other.bytes.end());
        return *this;
    }
    ByteBuilder& Header(std::uint32_t identifier, std::uint32_t size,
                        std::uint32_t version = kChunkVersion1_0) {
        return Word(identifier).Word(version).Word(size);
    }
    ByteBuilder& Integer(std::uint32_t identifier, std::int32_t value) {
        return Header(identifier, 4).Word(static_cast<std::uint32_t>(value));
    }
};

inline constexpr std::uint32_t kTestRoot = FourLetterId("TARN");
inline constexpr std::uint32_t kNumberField = FieldId(0x01);
inline constexpr std::uint32_t kRealField = FieldId(0x02);
inline constexpr std::uint32_t kPairField = FieldId(0x03);
inline constexpr std::uint32_t kTextField = FieldId(0x04);
inline constexpr std::uint32_t kBytesField = FieldId(0x05);
inline constexpr std::uint32_t kGroupedField = FieldId(0x06);
inline constexpr std::uint32_t kNestedRecord = RecordId(0x01);
inline constexpr std::uint32_t kElementRecord = RecordId(0x02);
inline constexpr std::uint32_t kGroupRecord = RecordId(0x03);

// A small document with one member of every kind the layouts offer.
struct TestElement {
    std::int32_t index = -1;
    double value = -1.0;
    std::string name;
};

struct TestDocument {
    std::int32_t number = -1;
    double real = -1.0;
    double x = -1.0;
    double y = -1.0;
    std::string text;
    std::vector<std::uint8_t> data;
    TestElement nested;
    std::vector<TestElement> elements;
    std::int32_t grouped = -1;
};

inline ChunkLayout<TestElement> TestElementLayout() {
    return ChunkLayout<TestElement>()
        .Integer(kIndexFieldId, &TestElement::index)
        .Real(kRealField, &TestElement::value)
        .Text(kTextField, &TestElement::name);
}

inline ChunkLayout<TestDocument> TestDocumentLayout() {
    return ChunkLayout<TestDocument>()
        .Integer(kNumberField, &TestDocument::number)
        .Real(kRealField, &TestDocument::real)
        .RealPair(kPairField, &TestDocument::x, &TestDocument::y)
        .Text(kTextField, &TestDocument::text)
        .Bytes(kBytesField, &TestDocument::data)
        .Nested(kNestedRecord, &TestDocument::nested, TestElementLayout())
        .List(kElementRecord, &TestDocument::elements, TestElementLayout())
        .Group(kGroupRecord,
               ChunkLayout<TestDocument>().Integer(kGroupedField, &TestDocument::grouped));
}

inline std::int64_t WriteTestElement(ChunkWriter& writer, std::uint32_t identifier,
                                     const TestElement& element) {
    return writer.WriteRecord(identifier, kChunkVersion1_1, [&] {
        writer.WriteIndex(element.index);
        writer.WriteReal(kRealField, element.value);
        writer.WriteText(kTextField, element.name);
    });
}

inline std::int64_t WriteTestDocument(ChunkWriter& writer, const TestDocument& document) {
    return writer.WriteRecord(kTestRoot, kChunkVersion1_0, [&] {
        writer.WriteInteger(kNumberField, document.number);
        writer.WriteReal(kRealField, document.real);
        writer.WriteRealPair(kPairField, document.x, document.y);
        writer.WriteText(kTextField, document.text);
        writer.WriteBytes(kBytesField, document.data.data(), document.data.size());
        WriteTestElement(writer, kNestedRecord, document.nested);
        for (const TestElement& element : document.elements) {
            WriteTestElement(writer, kElementRecord, element);
        }
        writer.WriteRecord(kGroupRecord, kChunkVersion1_0,
                           [&] { writer.WriteInteger(kGroupedField, document.grouped); });
    });
}

inline TestDocument SampleDocument() {
    TestDocument document;
    document.number = -123456;
    document.real = 0.1;
    document.x = 0.25;
    document.y = -7.5e300;
    document.text = "Tarn \xC3\xA9t\xC3\xA9";
    document.data = {0x00, 0xFF, 0x7F, 0x80, 0x00};
    document.nested = {4, 2.5, "nested"};
    document.elements = {{0, 1.0, "zero"}, {2, 2.0, ""}, {5, 3.0, "five"}};
    document.grouped = 77;
    return document;
}

} // namespace tarn::test
