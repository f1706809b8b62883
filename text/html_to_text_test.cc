#include "text/html_to_text.h"

#include <gtest/gtest.h>

#include <string>

namespace wrenpost {
namespace {

struct TextCase {
  const char* name;
  std::string html;
  std::string text;
};

class HtmlToTextTest : public testing::TestWithParam<TextCase> {};

TEST_P(HtmlToTextTest, ShowsWhatAReaderSees) { EXPECT_EQ(HtmlToText(GetParam().html), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(
    Html, HtmlToTextTest,
    testing::Values(
        TextCase{"WholeDocument",
                 "<!DOCTYPE html><html><head><title>Oferta</title><meta charset=utf-8>"
                 "<style>p{color:red}</style></head><body><p>Dzień dobry,</p><p>w załączniku <b>oferta</b>.</p>"
                 "<script>alert('x')</script></body></html>",
                 "Dzień dobry,\n\nw załączniku oferta."},
        TextCase{"BreaksAndBlocks", "a<br>b<BR/><br>c<div>d</div>e", "a\nb\n\nc\nd\ne"},
        TextCase{"WhiteSpaceCollapses", "  a \r\n\t b  <p>  c  </p>", "a b\n\nc"},
        TextCase{"PreKeepsItsLines", "<pre>a  b\r\n  c</pre>d", "a  b\n  c\n\nd"},
        TextCase{"References", "&lt;a&gt; &amp; &quot;b&quot; &#261;&#x119;&#X142; &nbsp;x &bdquo;c&rdquo; &zzz; & x",
                 "<a> & \"b\" ąęł \u00A0x „c” &zzz; & x"},
        TextCase{"WhiteSpaceReferencesCollapse", "&#10;a&#9;&#x20; b&#xD;", "a b"},
        TextCase{"BadNumericReferences", "&#0;&#xD800;&#1114112;&#;&#x;", "\uFFFD\uFFFD&#1114112;&#;&#x;"},
        TextCase{"Lists", "<ul><li>jeden</li><li> dwa</li></ul>po", "- jeden\n- dwa\n\npo"},
        TextCase{"NumberedLists", "<ol><li>jeden<ul><li>a</ul><li>dwa</ol>po", "1. jeden\n\n- a\n\n2. dwa\n\npo"},
        TextCase{"StrayPreEnd", "a</pre>b  c<pre>d  e</pre>", "a\n\nb c\n\nd  e"},
        TextCase{"Table", "<table><tr><td>a</td><td>b</td></tr><tr><th>c</th><td> d </td></tr></table>",
                 "a\tb\nc\td"},
        TextCase{"Links", "<a href=\"https://firma.pl/o\">oferta</a>, <a href='https://firma.pl'>https://firma.pl</a>, "
                          "<a href=\"mailto:biuro@firma.pl\">biuro@firma.pl</a>, <a href=\"#x\">kotwica</a>",
                 "oferta (https://firma.pl/o), https://firma.pl, biuro@firma.pl, kotwica"},
        TextCase{"MailtoLinkWithOtherText", "<a href=\"mailto:biuro@firma.pl\">Biuro</a>", "Biuro (biuro@firma.pl)"},
        TextCase{"LinkTextWithTrailingBlank", "<a href=\"https://firma.pl\">https://firma.pl </a>x", "https://firma.pl x"},
        TextCase{"CdataInTheHead", "<html><head><![CDATA[x]]></head><body>y</body></html>", "y"},
        TextCase{"ImageAltAndRule", "<img src=a.png alt=\"Logo &amp; znak\">x<hr>y", "Logo & znakx\n\n----------\n\ny"},
        TextCase{"CommentsEverywhere", "a<!-- <p>b</p> -->c<!-->d<!--->e<![CDATA[f<g]]>h", "acdef<gh"},
        TextCase{"TagsHiddenInAttributes", "<p title=\"<br>\" data-x='a>b'>x</p><p class=y>z", "x\n\nz"},
        TextCase{"RawTextIsNotParsed", "<title>x<p>y</title><textarea><b>t</b> &amp;</textarea>",
                 "<b>t</b> &"},
        TextCase{"LoneLessThan", "a < b <3 c<", "a < b <3 c<"},
        TextCase{"UnclosedTagAtTheEnd", "a<b class=\"x", "a"},
        TextCase{"Empty", "", ""}),
    [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace wrenpost
