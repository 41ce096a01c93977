// The numbers of the wizard's dialog templates, of the controls in them and of its bitmaps, as the
// forms in resources/ carry them (property `id`). Operator scripts and tests name controls by these
// numbers, so they never change. A number means something only within its template: 5000 is the
// cell-name edit of template 101 and the first level edit of template 5002.
#pragma once

namespace TemplateId {
inline constexpr int CellName = 101;      // page 1
inline constexpr int Host = 5000;         // the wizard's own frame and buttons
inline constexpr int CellPath = 5001;     // page 2
inline constexpr int SplitPatterns = 5002; // pages 3 and 5
inline constexpr int ResultTree = 5003;   // pages 4 and 6
} // namespace TemplateId

namespace BitmapId {
inline constexpr int LevelImages = 5003;  // page 2's candidate list: image i for grade i + 1
inline constexpr int MenuArrow = 5005;    // the level menu buttons of pages 3 and 5
inline constexpr int ResultLevels = 5007; // the result trees: image i for inner level i + 1
} // namespace BitmapId

// Template 5000.
namespace HostControl {
inline constexpr int Ok = 1; // hidden
inline constexpr int Cancel = 2;
inline constexpr int Back = 3;
inline constexpr int Next = 4; // "下一步(&N)", "完成" on the last page
} // namespace HostControl

// Template 101.
namespace CellNameControl {
inline constexpr int NameEdit = 5000;
} // namespace CellNameControl

// Template 5001.
namespace CellPathControl {
inline constexpr int CandidateCombo = 5001;
inline constexpr int LevelEditBeforeGrade1 = 5001; // the edit of grade g (1 to 7) is 5001 + g
inline constexpr int NoPathNote = 5009;            // shown when no path of the cell's name exists
} // namespace CellPathControl

// Template 5002.
namespace SplitPatternsControl {
inline constexpr int FirstLevelEdit = 5000; // 5000 to 5004: levels 1 to 5
inline constexpr int AddressList = 5008;
inline constexpr int FirstMenuButton = 5011; // 5011 to 5015: levels 1 to 5
inline constexpr int PatternList = 5017;
inline constexpr int NewPattern = 5022;
inline constexpr int DeletePattern = 5023;
inline constexpr int Title = 5025;
inline constexpr int AddressCount = 5026;
inline constexpr int Suggest = 5027;
inline constexpr int UnmatchedCount = 5028;
inline constexpr int UnmatchedOnly = 5029;
inline constexpr int RowCounts = 5030;
inline constexpr int NamesLabel = 5031;
inline constexpr int NamesEdit = 5032; // the selected row's canonical names, 栋/单元/室
} // namespace SplitPatternsControl

// Template 5003.
namespace ResultTreeControl {
inline constexpr int Tree = 5010;
inline constexpr int LeftOut = 5011;
inline constexpr int Preview = 5012; // the last page only
} // namespace ResultTreeControl
