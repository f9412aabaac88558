// The tree view control under a large library, in-process: what the window's
// start-up spends in the model and what in the SysTreeView32 control, step by
// step as the main window takes them (load into the bound tree with redraw
// off, then expand everything), and a few other ways of filling the control,
// to choose a remedy by. Prints the figures; runs under Wine (or on Windows).
//
//   tree_view_bench [phrases...]   (default: 10000 100000)

#include <windows.h>
// After windows.h.
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "app/startup.h"
#include "bench/bench_timing.h"
#include "bench/generated_library.h"
#include "library/phrase_file.h"
#include "library/tree_view_win.h"
#include "text/codepage_win.h"

namespace fs = std::filesystem;
using namespace moravel;

namespace {

TreeViewBinding* gBinding = nullptr;

LRESULT CALLBACK frameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && gBinding) {
    LRESULT result = 0;
    if (gBinding->handleNotify(*reinterpret_cast<const NMHDR*>(lParam), result)) return result;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

// A shown frame with a tree view of the main window's size and styles.
struct Frame {
  Frame() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = frameProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"MoravelTreeViewBench";
    RegisterClassW(&windowClass);
    window = CreateWindowExW(0, windowClass.lpszClassName, L"tree view bench",
                             WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 570, 540, nullptr, nullptr,
                             windowClass.hInstance, nullptr);
    tree = CreateWindowExW(WS_EX_CLIENTEDGE, WC_TREEVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | TVS_HASBUTTONS | TVS_HASLINES |
                               TVS_LINESATROOT | TVS_EDITLABELS | TVS_SHOWSELALWAYS,
                           0, 0, 552, 488, window, nullptr, windowClass.hInstance, nullptr);
    pump();
  }
  ~Frame() { DestroyWindow(window); }
  static void pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  HWND window;
  HWND tree;
};

template <typename Body>
double timed(Body&& body) {
  const bench::Stopwatch watch;
  body();
  return watch.milliseconds();
}

void printStep(const char* what, double milliseconds) {
  std::printf("    %-56s %10.1f ms\n", what, milliseconds);
}

HTREEITEM insert(HWND tree, HTREEITEM parent, const std::wstring& text, UINT state = 0,
                 int children = 0) {
  TVINSERTSTRUCTW insert{};
  insert.hParent = parent;
  insert.hInsertAfter = TVI_LAST;
  insert.item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM;
  if (state) {
    insert.item.mask |= TVIF_STATE;
    insert.item.state = state;
    insert.item.stateMask = state;
  }
  if (children) {
    insert.item.mask |= TVIF_CHILDREN;
    insert.item.cChildren = children;
  }
  insert.item.pszText = const_cast<wchar_t*>(text.c_str());
  return reinterpret_cast<HTREEITEM>(
      SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

struct Figures {
  double modelLoad = 0;
  double boundLoad = 0;
  double expandAll = 0;
  double collapseAll = 0;
  double save = 0;
  double destroy = 0;
};

Figures measureBinding(const fs::path& file) {
  Figures figures;
  bench::NullStatus status;
  figures.modelLoad = timed([&] {
    PhraseTree tree;
    load(tree, file, status);
  });

  Frame frame;
  PhraseTree tree;
  TreeViewBinding binding(tree, frame.tree);
  gBinding = &binding;
  tree.setTag(kTagCollapsed);
  // As the main window starts: load into the bound tree and expand
  // everything, as one bulk change.
  figures.boundLoad = timed([&] {
    PhraseTree::BulkChange bulk(tree);
    load(tree, file, status);
    toggleExpandAll(tree);
  });
  Frame::pump();
  // The user's toggle, once the control has been drawn.
  figures.collapseAll = timed([&] { toggleExpandAll(tree); });
  Frame::pump();
  figures.expandAll = timed([&] { toggleExpandAll(tree); });
  Frame::pump();
  figures.save = timed([&] { save(tree, file, status); });
  // As the window closes: its children go while the binding still listens,
  // the first item current, as after the tree has had the focus.
  tree.setCurrentItem(0);
  figures.destroy = timed([&] { DestroyWindow(frame.tree); });
  gBinding = nullptr;
  return figures;
}

LRESULT CALLBACK passOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                        DWORD_PTR) {
  return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK seeMessage(int code, WPARAM wParam, LPARAM lParam) {
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Microseconds per message to a tree view: plain, with a do-nothing
// SetWindowSubclass on it (the binding's way of seeing the control's input),
// and with a do-nothing WH_CALLWNDPROC hook on the thread (the control look's
// way of seeing new windows), which every sent message passes.
void measureMessages() {
  constexpr int kMessages = 2000;
  Frame frame;
  const HTREEITEM item = insert(frame.tree, TVI_ROOT, L"item");
  const auto perMessage = [&] {
    return timed([&] {
             for (int k = 0; k < kMessages; ++k) {
               SendMessageW(frame.tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                            TVIS_EXPANDED);
             }
           }) * 1000.0 / kMessages;
  };
  const double plain = perMessage();
  SetWindowSubclass(frame.tree, passOn, 1, 0);
  const double subclassed = perMessage();
  RemoveWindowSubclass(frame.tree, passOn, 1);
  const HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, seeMessage, nullptr, GetCurrentThreadId());
  const double hooked = perMessage();
  UnhookWindowsHookEx(hook);
  std::printf("    %-56s %10.2f us\n", "one message to a plain tree view", plain);
  std::printf("    %-56s %10.2f us\n", "one message to a tree view with SetWindowSubclass", subclassed);
  std::printf("    %-56s %10.2f us\n", "one message with a WH_CALLWNDPROC hook on the thread", hooked);
}

// The same items put into a bare control in other orders, without the model.
void measureControlAlone(const PhraseTree& library) {
  std::vector<std::wstring> texts;
  texts.reserve(static_cast<size_t>(library.itemCount()));
  for (int index = 0; index < library.itemCount(); ++index) {
    texts.push_back(text::toWide(library.itemText(index)));
  }
  const auto each = [&](auto&& body) {
    for (int index = 0; index < library.itemCount(); ++index) {
      body(index, texts[static_cast<size_t>(index)], library.parentOf(index) < 0);
    }
  };
  // Item by item in tree order, each category collapsed; returns the
  // categories.
  const auto insertInTreeOrder = [&](HWND tree) {
    std::vector<HTREEITEM> categories;
    each([&](int, const std::wstring& text, bool topLevel) {
      if (topLevel) {
        categories.push_back(insert(tree, TVI_ROOT, text));
      } else {
        insert(tree, categories.empty() ? TVI_ROOT : categories.back(), text);
      }
    });
    return categories;
  };
  {
    Frame frame;
    SendMessageW(frame.tree, WM_SETREDRAW, FALSE, 0);
    std::vector<HTREEITEM> categories;
    printStep("control alone: insert in tree order, collapsed",
              timed([&] { categories = insertInTreeOrder(frame.tree); }));
    printStep("control alone: then TVM_EXPAND each category", timed([&] {
                for (HTREEITEM category : categories) {
                  SendMessageW(frame.tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(category));
                }
              }));
    printStep("control alone: redraw on, first paint, all open", timed([&] {
                SendMessageW(frame.tree, WM_SETREDRAW, TRUE, 0);
                UpdateWindow(frame.tree);
              }));
    printStep("control alone: delete every item", timed([&] {
                SendMessageW(frame.tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
              }));
  }
  {
    // Wine's tree view: once it has been drawn, every TVM_EXPAND costs far
    // more, even with the redraw off again.
    Frame frame;
    SendMessageW(frame.tree, WM_SETREDRAW, FALSE, 0);
    const std::vector<HTREEITEM> categories = insertInTreeOrder(frame.tree);
    SendMessageW(frame.tree, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(frame.tree);
    SendMessageW(frame.tree, WM_SETREDRAW, FALSE, 0);
    const size_t some = std::min<size_t>(categories.size(), 100);
    const std::string what = "control alone: drawn once, TVM_EXPAND of " + std::to_string(some) +
                             " categories";
    printStep(what.c_str(), timed([&] {
                for (size_t k = 0; k < some; ++k) {
                  SendMessageW(frame.tree, TVM_EXPAND, TVE_EXPAND,
                               reinterpret_cast<LPARAM>(categories[k]));
                }
              }));
  }
  {
    Frame frame;
    SendMessageW(frame.tree, WM_SETREDRAW, FALSE, 0);
    printStep("control alone: categories first (open), then phrases", timed([&] {
                std::vector<HTREEITEM> categories;
                each([&](int, const std::wstring& text, bool topLevel) {
                  if (topLevel) categories.push_back(insert(frame.tree, TVI_ROOT, text, TVIS_EXPANDED));
                });
                size_t category = 0;
                each([&](int, const std::wstring& text, bool topLevel) {
                  if (topLevel) {
                    ++category;
                  } else {
                    insert(frame.tree, categories[category - 1], text);
                  }
                });
              }));
    SendMessageW(frame.tree, WM_SETREDRAW, TRUE, 0);
    UpdateWindow(frame.tree);
    printStep("control alone: destroy it, drawn, all open",
              timed([&] { DestroyWindow(frame.tree); }));
  }
  {
    Frame frame;
    SendMessageW(frame.tree, WM_SETREDRAW, FALSE, 0);
    printStep("control alone: categories only (phrases on demand)", timed([&] {
                each([&](int, const std::wstring& text, bool topLevel) {
                  if (topLevel) insert(frame.tree, TVI_ROOT, text, 0, 1);
                });
              }));
    SendMessageW(frame.tree, WM_SETREDRAW, TRUE, 0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  std::vector<int> sizes;
  for (int k = 1; k < argc; ++k) sizes.push_back(std::atoi(argv[k]));
  if (sizes.empty()) sizes = {10000, 100000};

  const fs::path folder =
      fs::temp_directory_path() / ("moravel-tree-view-bench-" + std::to_string(GetCurrentProcessId()));
  fs::create_directories(folder);
  const fs::path file = folder / kLibraryFileName;
  std::printf("The tree view control in-process (one run each)\n");
  std::vector<Figures> all;
  for (const int phrases : sizes) {
    PhraseTree library;
    bench::fillGenerated(library, phrases);
    bench::NullStatus status;
    save(library, file, status);
    std::printf("  %d phrases\n", phrases);
    const Figures f = measureBinding(file);
    printStep("load into the model alone", f.modelLoad);
    printStep("load and expand everything, bound, one bulk change", f.boundLoad);
    printStep("then, drawn: collapse everything (toggleExpandAll)", f.collapseAll);
    printStep("then, drawn: expand everything (toggleExpandAll)", f.expandAll);
    printStep("save", f.save);
    printStep("destroy the control (closing), first item current", f.destroy);
    measureControlAlone(library);
    all.push_back(f);
  }
  measureMessages();
  if (all.size() >= 2) {
    const Figures& small = all[all.size() - 2];
    const Figures& large = all.back();
    std::printf("\nRatios (same run), %d / %d phrases:\n", sizes.back(), sizes[sizes.size() - 2]);
    std::printf("  %-52s %10.2f\n", "load and expand, bound", large.boundLoad / small.boundLoad);
    std::printf("  %-52s %10.2f\n", "expand everything once drawn",
                large.expandAll / small.expandAll);
    std::printf("  %-52s %9.1f%%\n", "share of the control in load and expand, largest",
                100.0 * (large.boundLoad - large.modelLoad) / large.boundLoad);
  }
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return 0;
}
