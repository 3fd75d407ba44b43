#include "fuzz/JsonFuzzCheck.h"
#include "fuzz/ProjectFuzzCheck.h"
#include "fuzz/XmlFuzzCheck.h"
#include "support/CorpusReplay.h"

#include <gtest/gtest.h>

namespace tarn {
namespace {

TEST(ProjectFuzzRegression, EveryCorpusInputReadsOrFailsCleanly) {
    test::ReplayCorpus("tests/fuzz/corpus", &test::CheckProjectInput);
}

TEST(XmlFuzzRegression, EveryCorpusInputReadsOrFailsCleanly) {
    test::ReplayCorpus("tests/fuzz/xml-corpus", &test::CheckXmlInput);
}

TEST(JsonFuzzRegression, EveryCorpusInputImportsOrFailsCleanly) {
    test::ReplayCorpus("tests/fuzz/json-corpus", &test::CheckJsonInput);
}

} // namespace
} // namespace tarn
