// The card's reading-order text, collected from drawing operations (fixed metrics: every
// character 100 twips wide, every line 200 high).

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "render/card_text.h"

namespace velmaro {
namespace {

using Item = PrintItem;

TEST(CardText, DrawingOperationsBecomeLinesInReadingOrder) {
    const struct {
        const char* name;
        std::function<void(CardTextSurface&)> draw;
        const char* text;
    } cases[] = {
        {"adjacent items join; a tab stop between them becomes a tab",
         [](CardTextSurface& s) {
             s.Print({Item::Tab(5), Item::Text("Matr.: "), Item::Text("5193")});
             s.Print({Item::Tab(25), Item::Text("N.: "), Item::Text("xx/04/69", false)});
         },
         "Matr.: 5193\tN.: xx/04/69\n"},
        {"blanks at a field's ends go, runs of blanks inside become one",
         [](CardTextSurface& s) {
             s.Print({Item::Text("N.Anni: "), Item::Number(5), Item::Tab(20),
                      Item::Text("a  b ", false)});
         },
         "N.Anni: 5\ta b\n"},
        {"a grade pushed to the next line stays on its exam's line",
         [](CardTextSurface& s) {
             s.SetCurrentX(3500);
             s.Print({Item::Text("28/01/93"), Item::Number(3), Item::Text(" "),
                      Item::Text("Sociologia dei Processi Economici")});
             s.Print({Item::Tab(80), Item::Text("27", false)});
         },
         "28/01/93 3 Sociologia dei Processi Economici\t27\n"},
        {"a figure between two rows at the same height keeps them apart",
         [](CardTextSurface& s) {
             s.SetCurrentX(3500);
             s.Print({Item::Text("A"), Item::Tab(80), Item::Text("27", false)});
             s.Line(0, 0, 10, 10);
             s.SetCurrentX(3500);
             s.SetCurrentY(200);
             s.Print({Item::Text("B", false)});
         },
         "A\t27\nB\n"},
        {"rows stacked one below the other at the same left edge are separate lines",
         [](CardTextSurface& s) {
             s.Print({Item::Text("row 1", false)});
             s.Print({Item::Text("row 2", false)});
         },
         "row 1\nrow 2\n"},
        {"a line that is only a number item is a year mark and is left out",
         [](CardTextSurface& s) {
             s.Print({Item::Text("Matr.: 5193", false)});
             s.Line(700, 200, 700, 2000);
             s.SetCurrentX(100);
             s.Print({Item::Number(1993, false)});
             s.Circle(700, 900, 30);
             s.Print({Item::Text("15/01/93"), Item::Number(2), Item::Text(" Diritto", false)});
         },
         "Matr.: 5193\n15/01/93 2 Diritto\n"},
        {"text drawn later at an earlier place comes last (the averages)",
         [](CardTextSurface& s) {
             s.Print({Item::Text("<V_30>: "), Item::Tab(30), Item::Text("<V_110>: ", false)});
             s.Print({Item::Text("15/01/93 2 Diritto", false)});
             s.SetCurrentX(800);
             s.SetCurrentY(0);
             s.Print({Item::Text("27,5", false)});
             s.SetCurrentX(3800);
             s.SetCurrentY(0);
             s.Print({Item::Text("100,83", false)});
         },
         "<V_30>:\t<V_110>:\n15/01/93 2 Diritto\n27,5\t100,83\n"},
    };
    const FixedMetrics metrics;
    for (const auto& c : cases) {
        CardTextSurface surface(metrics);
        c.draw(surface);
        EXPECT_EQ(surface.Text(), c.text) << c.name;
    }
}

}  // namespace
}  // namespace velmaro
