#include "text/html.h"

#include <gtest/gtest.h>

#include <string>

namespace wrenpost {
namespace {

struct InsertCase {
  const char* name;
  std::string html;
  std::string expected;  // with "X" inserted
};

class InsertAfterBodyTagTest : public testing::TestWithParam<InsertCase> {};

TEST_P(InsertAfterBodyTagTest, PutsTheBodyAheadOfTheSignature) {
  EXPECT_EQ(InsertAfterBodyTag(GetParam().html, "X"), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Html, InsertAfterBodyTagTest,
    testing::Values(
        InsertCase{"OutlookMessage",
                   "<html><head><style>p.MsoNormal{}</style></head><body lang=PL link=\"#0563C1\" "
                   "style='tab-interval:35.4pt'><div class=WordSection1><p>-- Anna</p></div></body></html>",
                   "<html><head><style>p.MsoNormal{}</style></head><body lang=PL link=\"#0563C1\" "
                   "style='tab-interval:35.4pt'>X<div class=WordSection1><p>-- Anna</p></div></body></html>"},
        InsertCase{"AnyCase", "<HTML><BODY>s</BODY>", "<HTML><BODY>Xs</BODY>"},
        InsertCase{"QuotedGreaterThan", "<body title=\"a>b\">s", "<body title=\"a>b\">Xs"},
        InsertCase{"NotALongerTagName", "<bodyx><body>s", "<bodyx><body>Xs"},
        InsertCase{"TagInACommentSkipped", "<!-- <body> --><body class=a>s", "<!-- <body> --><body class=a>Xs"},
        InsertCase{"NoBodyTag", "<p>s</p>", "X<p>s</p>"},
        InsertCase{"Empty", "", "X"},
        InsertCase{"UnclosedTag", "<body class=\"a", "X<body class=\"a"}),
    [](const testing::TestParamInfo<InsertCase>& info) { return std::string(info.param.name); });

TEST(TextAsHtmlParagraph, EscapesAndBreaksLinesInTheNormalStyle) {
  EXPECT_EQ(TextAsHtmlParagraph("a & b <c> \"d\"\nDzień 'e'"),
            "<p class=MsoNormal>a &amp; b &lt;c&gt; &quot;d&quot;<br>Dzień 'e'</p>");
  EXPECT_EQ(TextAsHtmlParagraph(""), "<p class=MsoNormal></p>");
}

}  // namespace
}  // namespace wrenpost
