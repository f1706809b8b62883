#include "text/html.h"

#include <gtest/gtest.h>

#include <string>

namespace wrenpost {
namespace {

struct InsertCase {
  const char* name;
  std::string html;
  std::string expected;
  std::string insertion = "X";
};

class InsertAtBodyStartTest : public testing::TestWithParam<InsertCase> {};

TEST_P(InsertAtBodyStartTest, PutsTheBodyAheadOfTheSignature) {
  EXPECT_EQ(InsertAtBodyStart(GetParam().html, GetParam().insertion), GetParam().expected);
}

// What Outlook holds after Display with a signature: Word's HTML, whose
// comments, conditional blocks and styles mention "<body" before the body tag.
const std::string kWordHead =
    "<html xmlns:o=\"urn:schemas-microsoft-com:office:office\"><head>"
    "<meta http-equiv=Content-Type content=\"text/html; charset=unicode\">"
    "<meta name=Generator content=\"Microsoft Word 15 (filtered medium)\">"
    "<!--[if !mso]><style>v\\:* {behavior:url(#default#VML);}</style><![endif]-->"
    "<style><!-- /* <body> */ p.MsoNormal, li.MsoNormal {margin:0cm;font-size:11.0pt;} --></style>"
    "<!--[if gte mso 9]><xml><o:shapedefaults v:ext=\"edit\" spidmax=\"1026\" /></xml><![endif]-->";
const std::string kWordBody = "<body lang=PL link=\"#0563C1\" vlink=\"#954F72\" style='word-wrap:break-word'>";
const std::string kWordSignature = "<div class=WordSection1><p class=MsoNormal><o:p>&nbsp;</o:p></p>"
                                   "<p class=MsoNormal>-- <o:p></o:p></p><p class=MsoNormal>Anna Nowak</p></div>"
                                   "</body></html>";
const std::string kMessage = "<html><head><style>o{}</style></head><body lang=PL><p>sig</p></body></html>";

INSTANTIATE_TEST_SUITE_P(
    Html, InsertAtBodyStartTest,
    testing::Values(
        InsertCase{"OutlookMessage",
                   "<html><head><style>p.MsoNormal{}</style></head><body lang=PL link=\"#0563C1\" "
                   "style='tab-interval:35.4pt'><div class=WordSection1><p>-- Anna</p></div></body></html>",
                   "<html><head><style>p.MsoNormal{}</style></head><body lang=PL link=\"#0563C1\" "
                   "style='tab-interval:35.4pt'>X<div class=WordSection1><p>-- Anna</p></div></body></html>"},
        InsertCase{"WordSignature", kWordHead + "</head>" + kWordBody + kWordSignature,
                   kWordHead + "</head>" + kWordBody + "X" + kWordSignature},
        InsertCase{"AnyCase", "<HTML><BODY>s</BODY>", "<HTML><BODY>Xs</BODY>"},
        InsertCase{"QuotedGreaterThan", "<body title=\"a>b\">s", "<body title=\"a>b\">Xs"},
        InsertCase{"NotALongerTagName", "<bodyx><body>s", "<bodyx><body>Xs"},
        InsertCase{"TagInACommentSkipped", "<!-- <body> --><body class=a>s", "<!-- <body> --><body class=a>Xs"},
        InsertCase{"CommentClosedAtOnce", "<!--><body>s<!-- -->", "<!--><body>Xs<!-- -->"},
        InsertCase{"CommentClosedAtOnceWithADash", "<!---><body>s<!-- -->", "<!---><body>Xs<!-- -->"},
        InsertCase{"TagInCdataSkipped", "<![CDATA[ x>y <body> ]]><body x>s", "<![CDATA[ x>y <body> ]]><body x>Xs"},
        InsertCase{"TagsInRawTextSkipped",
                   "<title><body></title><script>x='<body>'</script><style>/*<body>*/</STYLE >"
                   "<textarea><body></textarea><body>s",
                   "<title><body></title><script>x='<body>'</script><style>/*<body>*/</STYLE >"
                   "<textarea><body></textarea><body>Xs"},
        InsertCase{"TagInQuotedValueSkipped", "<img alt='<body>'><body>s", "<img alt='<body>'><body>Xs"},
        // A quote inside an unquoted value opens nothing.
        InsertCase{"QuoteInUnquotedValue", "<p title=a'b><body>s", "<p title=a'b><body>Xs"},
        InsertCase{"TagInUnquotedValueSkipped", "<p title=<body>s", "X<p title=<body>s"},
        InsertCase{"NoBodyTagAfterTheHead", "<!DOCTYPE html><html><head><title>t</title></head><p>s</p></html>",
                   "<!DOCTYPE html><html><head><title>t</title></head>X<p>s</p></html>"},
        InsertCase{"NoHeadAfterTheHtmlTag", "<!DOCTYPE html><html lang=pl><p>s", "<!DOCTYPE html><html lang=pl>X<p>s"},
        InsertCase{"NeverAheadOfADoctype", "<!doctype html><p>s", "<!doctype html>X<p>s"},
        InsertCase{"NoBodyTag", "<p>s</p>", "X<p>s</p>"},
        InsertCase{"Empty", "", "X"},
        InsertCase{"UnclosedTag", "<body class=\"a", "X<body class=\"a"},
        // What is inserted: a fragment as it is, its own styles included ...
        InsertCase{"Fragment", kMessage,
                   "<html><head><style>o{}</style></head><body lang=PL><style>p{}</style><p>x</p><p>sig</p></body></html>",
                   "<style>p{}</style><p>x</p>"},
        // ... a whole document's body, its head's styles moving to the message's head.
        InsertCase{"WholeDocument", kMessage,
                   "<html><head><style>o{}</style><style>p{color:red}</style><STYLE>b{}</STYLE></head>"
                   "<body lang=PL>\r\n<p>x</p>\r\n<p>sig</p></body></html>",
                   "<!DOCTYPE html>\r\n<html><head><meta charset=utf-8><title>Oferta</title>"
                   "<style>p{color:red}</style><!-- <style>c{}</style> --><STYLE>b{}</STYLE></head>"
                   "<body class=a>\r\n<p>x</p>\r\n</body></html>\r\n"},
        InsertCase{"DocumentWithoutBodyTag", kMessage,
                   "<html><head><style>o{}</style><style>s{}</style></head><body lang=PL><p>x</p><p>sig</p></body></html>",
                   "<html><head><style>s{}</style></head><p>x</p></html>"},
        InsertCase{"DocumentIntoAMessageWithoutHead", "<html><body>sig",
                   "<html><head><style>s{}</style></head><body><p>x</p>sig",
                   "<html><head><style>s{}</style></head><body><p>x</p></body></html>"},
        InsertCase{"DocumentIntoABareBody", "<body>sig", "<body><style>s{}</style><p>x</p>sig",
                   "<html><head><style>s{}</style></head><body><p>x</p></body></html>"},
        InsertCase{"SingleQuotedValues", kMessage,
                   "<html><head><style>o{}</style><style>s{}</style></head><body lang=PL><p>x</p><p>sig</p></body></html>",
                   "<html><head><meta content='a</head><body>'><style>s{}</style></head>"
                   "<body title='</body>'><p>x</p></body></html>"},
        // A browser shows all text of a document, wherever it stands, and a second body.
        InsertCase{"TextAroundTheBody", "<body>sig", "<body> przed <p>x</p>\r\n po  koniec\r\nsig",
                   "<html><head><title>t</title></head> przed <body><p>x</p>\r\n</body> po </html> koniec\r\n"},
        InsertCase{"SecondBody", "<body>sig", "<body><p>x</p><p>y</p>sig",
                   "<html><body><p>x</p></body>\r\n<body class=b><p>y</p></body></html>"},
        // What the inserted HTML leaves open ends ahead of the signature ...
        InsertCase{"OpenElementsClosed", "<body>sig",
                   "<body><font color=red><div style=\"display:none\">x<br></div></font>sig",
                   "<font color=red><div style=\"display:none\">x<br>"},
        InsertCase{"FormattingClosedByABlockEnded", "<body>sig", "<body><div><b>x</div></b>sig", "<div><b>x</div>"},
        InsertCase{"OpenCommentEnded", "<body>sig", "<body><p>x<!-- y--></p>sig", "<html><body><p>x<!-- y"},
        InsertCase{"OpenRawTextEnded", "<body>sig", "<body><textarea>x</textarea>sig", "<textarea>x"},
        InsertCase{"CutTagDropped", "<body>sig", "<body><p>x</p>sig", "<p>x</p><img src=\"a.png"},
        // ... and only that: what a browser closes on its own is not closed twice.
        InsertCase{"ImpliedEndsKept", "<body>sig", "<body><p>a<p>b<ul><li>c<li>d</ul><table><tr><td>e<td>f<tr>"
                   "<td>g</table>sig",
                   "<p>a<p>b<ul><li>c<li>d</ul><table><tr><td>e<td>f<tr><td>g</table>"}),
    [](const testing::TestParamInfo<InsertCase>& info) { return std::string(info.param.name); });

TEST(LineBreaksKeptAsCr, OnlyWhereTheHtmlKeepsThem) {
  EXPECT_EQ(LineBreaksKeptAsCr("<p>a\r\nb</p>\n<PRE class=x>c\r\n<b>d\ne</b>\r</PRE>\nf<br>\n"),
            "<p>a\r\nb</p>\n<PRE class=x>c\r<b>d\re</b>\r</PRE>\nf<br>\n");
  EXPECT_EQ(LineBreaksKeptAsCr("<div style=\"color:red; WHITE-SPACE : pre-wrap\">a\n<span>b\n</span></div>\n"
                               "<div style='white-space:normal'>c\n</div><textarea>d\n</textarea><!-- e\n -->"),
            "<div style=\"color:red; WHITE-SPACE : pre-wrap\">a\r<span>b\r</span></div>\n"
            "<div style='white-space:normal'>c\n</div><textarea>d\r</textarea><!-- e\n -->");
  // A pre never closed keeps its line breaks to the end, as a browser shows it.
  EXPECT_EQ(LineBreaksKeptAsCr("<pre><p>a\n</p>\nb"), "<pre><p>a\r</p>\rb");
}

TEST(TextAsHtmlParagraph, EscapesAndBreaksLinesInTheNormalStyle) {
  EXPECT_EQ(TextAsHtmlParagraph("a & b <c> \"d\"\nDzień 'e'"),
            "<p class=MsoNormal>a &amp; b &lt;c&gt; &quot;d&quot;<br>Dzień 'e'</p>");
  // Blanks that HTML would fold or drop, and tabs, keep their width.
  EXPECT_EQ(TextAsHtmlParagraph("  a   b\n c\td"),
            "<p class=MsoNormal>&nbsp;&nbsp;a &nbsp;&nbsp;b<br>&nbsp;c"
            "<span style='mso-tab-count:1'>&nbsp;&nbsp;&nbsp;&nbsp;</span>d</p>");
  EXPECT_EQ(TextAsHtmlParagraph(""), "<p class=MsoNormal></p>");
}

}  // namespace
}  // namespace wrenpost
