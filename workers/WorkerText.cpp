#include "WorkerText.h"

#include "HelperText.h"
#include "PsdText.h"


// The same word for the same thing in every row, as in the tool window:
//   export             匯出 / 書き出し / 내보내기 / export
//   slimming           瘦身 / スリム化 / 최적화 / slimming
//   job (file)         工作（檔）/ ジョブ（ファイル）/ 작업 (파일) / job (file)
//   channel            色版 / チャンネル / 채널 / channel
//   document ancestor  文件祖先記錄 / ドキュメント祖先レコード / 문서 조상 기록 / document ancestor
//   merged image       合併影像 / 統合画像 / 병합 이미지 / merged image

namespace WorkerText {

namespace {

const TextTable::Row rows[] = {
    // Stratlo, the layer export worker.
    {{u"无法读取导出任务：%1", u"無法讀取匯出工作：%1", u"書き出しジョブを読み込めません：%1",
      u"내보내기 작업을 읽을 수 없습니다: %1", u"Cannot read the export job: %1"}},
    {{u"任务文件不是 JSON 对象：%1", u"工作檔不是 JSON 物件：%1", u"ジョブファイルが JSON オブジェクトではありません：%1",
      u"작업 파일이 JSON 객체가 아닙니다: %1", u"The job file is not a JSON object: %1"}},
    {{u"任务文件缺少文件列表（files）", u"工作檔缺少檔案清單（files）", u"ジョブファイルにファイルリスト（files）がありません",
      u"작업 파일에 파일 목록(files)이 없습니다", u"The job file has no file list (files)"}},
    {{u"任务文件的文件列表含有无效项", u"工作檔的檔案清單含有無效項目", u"ジョブファイルのファイルリストに無効な項目があります",
      u"작업 파일의 파일 목록에 잘못된 항목이 있습니다", u"The job file's file list holds an invalid entry"}},
    {{u"未知的尺寸规则：%1", u"未知的尺寸規則：%1", u"不明なサイズ規則：%1", u"알 수 없는 크기 규칙: %1",
      u"Unknown sizing rule: %1"}},
    {{u"未知的补边方式：%1", u"未知的補邊方式：%1", u"不明な余白の方法：%1", u"알 수 없는 여백 방식: %1",
      u"Unknown padding fill: %1"}},
    {{u"未知的内容位置：%1", u"未知的內容位置：%1", u"不明な配置：%1", u"알 수 없는 배치: %1",
      u"Unknown position: %1"}},
    {{u"正在扫描图层...", u"正在掃描圖層...", u"レイヤーをスキャンしています...", u"레이어 검색 중...", u"Scanning layers..."}},
    {{u"共 %1 个文件，%2 个图层。", u"共 %1 個檔案，%2 個圖層。", u"ファイル %1 個、レイヤー %2 個。",
      u"파일 %1개, 레이어 %2개.", u"%1 {file|files}, %2 {layer|layers} in all."}},
    {{u"无法读取 %1：%2", u"無法讀取 %1：%2", u"%1 を読み込めません：%2", u"%1을(를) 읽을 수 없습니다: %2",
      u"Cannot read %1: %2"}},
    {{u"读取失败", u"讀取失敗", u"読み込み失敗", u"읽기 실패", u"Read failed"}},
    {{u"开始导出 %1：%2 个图层，输出到 %3", u"開始匯出 %1：%2 個圖層，輸出到 %3",
      u"%1 の書き出しを開始：レイヤー %2 個、出力先 %3", u"%1 내보내기 시작: 레이어 %2개, 출력 위치 %3",
      u"Exporting %1: %2 {layer|layers} to %3"}},
    {{u"图层组", u"圖層群組", u"レイヤーグループ", u"레이어 그룹", u"layer group"}},
    {{u"没有像素（调整、填充或空图层）", u"沒有像素（調整、填色或空白圖層）",
      u"ピクセルがありません（調整レイヤー、塗りつぶしレイヤー、空のレイヤー）", u"픽셀 없음(조정, 칠 또는 빈 레이어)",
      u"no pixels (adjustment, fill or empty layer)"}},
    {{u"%1 完成：导出 %2，跳过 %3，失败 %4。", u"%1 完成：匯出 %2，略過 %3，失敗 %4。",
      u"%1 完了：書き出し %2、スキップ %3、失敗 %4。", u"%1 완료: 내보내기 %2, 건너뜀 %3, 실패 %4.",
      u"%1 done: %2 exported, %3 skipped, %4 failed."}},
    {{u"已跳过“%1”：%2", u"已略過「%1」：%2", u"「%1」をスキップしました：%2", u"“%1” 건너뜀: %2", u"Skipped “%1”: %2"}},
    {{u"已导出并替换已有文件：%1", u"已匯出並取代現有檔案：%1", u"書き出して既存のファイルを置き換えました：%1",
      u"내보내고 기존 파일을 교체했습니다: %1", u"Exported, replacing the existing file: %1"}},
    {{u"已导出：%1", u"已匯出：%1", u"書き出しました：%1", u"내보냄: %1", u"Exported: %1"}},
    {{u"图层“%1”导出失败：%2", u"圖層「%1」匯出失敗：%2", u"レイヤー「%1」の書き出しに失敗しました：%2",
      u"레이어 “%1” 내보내기 실패: %2", u"Exporting layer “%1” failed: %2"}},
    {{u"位于画布之外", u"位於畫布之外", u"カンバスの外側にあります", u"캔버스 밖에 있음", u"outside the canvas"}},
    {{u"完全透明", u"完全透明", u"完全に透明", u"완전히 투명함", u"fully transparent"}},
    {{u"补齐画布失败（尺寸过大或内存不足）", u"補齊畫布失敗（尺寸過大或記憶體不足）",
      u"余白の補完に失敗しました（サイズが大きすぎるか、メモリが不足しています）", u"여백 채우기 실패(크기가 너무 크거나 메모리 부족)",
      u"Padding the canvas failed (too large, or not enough memory)"}},
    {{u"无法创建输出文件夹：%1", u"無法建立輸出資料夾：%1", u"出力フォルダーを作成できません：%1",
      u"출력 폴더를 만들 수 없습니다: %1", u"Cannot create the output folder: %1"}},
    {{u"图层", u"圖層", u"レイヤー", u"레이어", u"Layer"}},
    {{u"“%1”未完整呈现：%2", u"「%1」未完整呈現：%2", u"「%1」は一部が再現されていません：%2",
      u"“%1” 일부가 재현되지 않음: %2", u"“%1” is not fully rendered: %2"}},
    // Blend modes, as the image editor names them in each language.
    {{u"溶解", u"溶解", u"ディザ合成", u"디졸브", u"Dissolve"}},
    {{u"变暗", u"變暗", u"比較（暗）", u"어둡게 하기", u"Darken"}},
    {{u"正片叠底", u"色彩增值", u"乗算", u"곱하기", u"Multiply"}},
    {{u"颜色加深", u"加深顏色", u"焼き込みカラー", u"색상 번", u"Color Burn"}},
    {{u"线性加深", u"線性加深", u"焼き込み（リニア）", u"선형 번", u"Linear Burn"}},
    {{u"深色", u"顏色變暗", u"カラー比較（暗）", u"어두운 색상", u"Darker Color"}},
    {{u"变亮", u"變亮", u"比較（明）", u"밝게 하기", u"Lighten"}},
    {{u"滤色", u"濾色", u"スクリーン", u"스크린", u"Screen"}},
    {{u"颜色减淡", u"加亮顏色", u"覆い焼きカラー", u"색상 닷지", u"Color Dodge"}},
    {{u"线性减淡（添加）", u"線性加亮（增加）", u"覆い焼き（リニア）- 加算", u"선형 닷지(추가)", u"Linear Dodge (Add)"}},
    {{u"浅色", u"顏色變亮", u"カラー比較（明）", u"밝은 색상", u"Lighter Color"}},
    {{u"叠加", u"覆蓋", u"オーバーレイ", u"오버레이", u"Overlay"}},
    {{u"柔光", u"柔光", u"ソフトライト", u"소프트 라이트", u"Soft Light"}},
    {{u"强光", u"實光", u"ハードライト", u"하드 라이트", u"Hard Light"}},
    {{u"亮光", u"強光", u"ビビッドライト", u"선명한 라이트", u"Vivid Light"}},
    {{u"线性光", u"線性光源", u"リニアライト", u"선형 라이트", u"Linear Light"}},
    {{u"点光", u"小光源", u"ピンライト", u"핀 라이트", u"Pin Light"}},
    {{u"实色混合", u"實色疊印混合", u"ハードミックス", u"하드 혼합", u"Hard Mix"}},
    {{u"差值", u"差異化", u"差の絶対値", u"차이", u"Difference"}},
    {{u"排除", u"排除", u"除外", u"제외", u"Exclusion"}},
    {{u"减去", u"減去", u"減算", u"빼기", u"Subtract"}},
    {{u"划分", u"分割", u"除算", u"나누기", u"Divide"}},
    {{u"色相", u"色相", u"色相", u"색조", u"Hue"}},
    {{u"饱和度", u"飽和度", u"彩度", u"채도", u"Saturation"}},
    {{u"颜色", u"顏色", u"カラー", u"색상", u"Color"}},
    {{u"明度", u"明度", u"輝度", u"광도", u"Luminosity"}},
    {{u"未应用蒙版羽化", u"未套用遮色片羽化", u"マスクのぼかしは適用されません", u"마스크 페더는 적용되지 않음",
      u"mask feather is not applied"}},
    {{u"未渲染图层效果", u"未算繪圖層效果", u"レイヤー効果は描画されません", u"레이어 효과는 렌더링되지 않음",
      u"layer effects are not rendered"}},
    {{u"未应用混合模式“%1”", u"未套用混合模式「%1」", u"描画モード「%1」は適用されません", u"혼합 모드 “%1”은(는) 적용되지 않음",
      u"blend mode “%1” is not applied"}},
    {{u"未应用填充不透明度 %1%", u"未套用填滿不透明度 %1%", u"塗りの不透明度 %1% は適用されません",
      u"칠 불투명도 %1%는 적용되지 않음", u"fill opacity %1% is not applied"}},
    {{u"未应用剪贴蒙版（其基底不是像素图层）", u"未套用剪裁遮色片（其底層不是像素圖層）",
      u"クリッピングマスクは適用されません（ベースがピクセルレイヤーではありません）",
      u"클리핑 마스크는 적용되지 않음(기본 레이어가 픽셀 레이어가 아님)",
      u"the clipping mask is not applied (its base is not a pixel layer)"}},
    {{u"文字图层按存储的像素导出", u"文字圖層依儲存的像素匯出", u"テキストレイヤーは保存されたピクセルのまま書き出し",
      u"텍스트 레이어는 저장된 픽셀로 내보냄", u"text layer exported as its stored pixels"}},
    {{u"智能对象按存储的像素导出", u"智慧型物件依儲存的像素匯出", u"スマートオブジェクトは保存されたピクセルのまま書き出し",
      u"고급 개체는 저장된 픽셀로 내보냄", u"smart object exported as its stored pixels"}},
    {{u"文档嵌入的颜色配置文件无法使用，已忽略。", u"文件內嵌的色彩描述檔無法使用，已略過。",
      u"ドキュメントに埋め込まれたカラープロファイルは使用できないため、無視しました。",
      u"문서에 포함된 색상 프로필을 사용할 수 없어 무시했습니다.",
      u"The document's embedded colour profile cannot be used and was ignored."}},
    {{u"文档没有可用的 CMYK 颜色配置文件：颜色按简单的油墨公式换算，仅为近似。",
      u"文件沒有可用的 CMYK 色彩描述檔：顏色依簡單的油墨公式換算，僅為近似。",
      u"ドキュメントに使用できる CMYK カラープロファイルがありません：色は単純なインキの式で換算した近似値です。",
      u"문서에 사용할 수 있는 CMYK 색상 프로필이 없습니다: 색상은 단순한 잉크 공식으로 환산한 근삿값입니다.",
      u"The document has no usable CMYK colour profile: colours are converted by a simple ink formula and are approximate."}},

    // Brevane, the slimming worker.
    {{u"用法：Brevane --job FILE [--language CODE]", u"用法：Brevane --job FILE [--language CODE]",
      u"使い方：Brevane --job FILE [--language CODE]", u"사용법: Brevane --job FILE [--language CODE]",
      u"usage: Brevane --job FILE [--language CODE]"}},
    {{u"无法打开任务文件 %1：%2", u"無法開啟工作檔 %1：%2", u"ジョブファイル %1 を開けません：%2",
      u"작업 파일 %1을(를) 열 수 없습니다: %2", u"cannot open the job file %1: %2"}},
    {{u"任务文件 %1 不是瘦身任务：%2", u"工作檔 %1 不是瘦身工作：%2", u"ジョブファイル %1 はスリム化ジョブではありません：%2",
      u"작업 파일 %1은(는) 최적화 작업이 아닙니다: %2", u"the job file %1 is not a slimming job: %2"}},
    {{u"缺少“files”列表", u"缺少「files」清單", u"「files」リストがありません", u"“files” 목록이 없습니다", u"no \"files\" list"}},
    {{u"正在瘦身 %1（第 %2 个，共 %3 个）", u"正在瘦身 %1（第 %2 個，共 %3 個）", u"%1 をスリム化しています（%2/%3）",
      u"%1 최적화 중(%2/%3)", u"Slimming %1 (%2 of %3)"}},
    {{u"%1：发现 %2 个文档祖先记录，共 %3", u"%1：發現 %2 筆文件祖先記錄，共 %3",
      u"%1：ドキュメント祖先レコードが %2 件見つかりました（%3）", u"%1: 문서 조상 기록 %2개 발견, 총 %3",
      u"%1: %2 document {ancestor|ancestors}, %3"}},
    {{u"%1：发现 %2 个文档祖先记录，共 %3（位于 %4 个嵌入文档中）", u"%1：發現 %2 筆文件祖先記錄，共 %3（位於 %4 個嵌入文件中）",
      u"%1：ドキュメント祖先レコードが %2 件見つかりました（%3、埋め込みドキュメント %4 個の中）",
      u"%1: 문서 조상 기록 %2개 발견, 총 %3(포함된 문서 %4개 안)",
      u"%1: %2 document {ancestor|ancestors}, %3 (in %4 embedded {document|documents})"}},
    {{u"%1：处理失败，文件未改动：%2", u"%1：處理失敗，檔案未變更：%2", u"%1：失敗しました。ファイルは変更していません：%2",
      u"%1: 실패, 파일을 변경하지 않았습니다: %2", u"%1: failed, left unchanged: %2"}},
    {{u"%1：未改动（没有文档祖先记录）", u"%1：未變更（沒有文件祖先記錄）", u"%1：変更なし（ドキュメント祖先レコードはありません）",
      u"%1: 변경 없음(문서 조상 기록 없음)", u"%1: unchanged (no document ancestors)"}},
    {{u"%1 个文件：瘦身 %2 个，未改动 %3 个，失败 %4 个，共节省 %5", u"%1 個檔案：瘦身 %2 個，未變更 %3 個，失敗 %4 個，共節省 %5",
      u"ファイル %1 個：スリム化 %2 個、変更なし %3 個、失敗 %4 個、合計 %5 削減",
      u"파일 %1개: 최적화 %2개, 변경 없음 %3개, 실패 %4개, 총 %5 절약",
      u"%1 {file|files}: %2 slimmed, %3 unchanged, %4 failed; %5 saved in all"}},
    {{u"%1：节省 %2（%3 → %4），已校验并替换", u"%1：節省 %2（%3 → %4），已驗證並取代",
      u"%1：%2 削減しました（%3 → %4）。検証して置き換えました", u"%1: %2 절약(%3 → %4), 검증 후 교체했습니다",
      u"%1: saved %2 (%3 → %4), checked and replaced"}},
    {{u"%1 字节", u"%1 位元組", u"%1 バイト", u"%1바이트", u"%1 {byte|bytes}"}},
    {{u"无法在 %1 中定位：%2", u"無法在 %1 中定位：%2", u"%1 内でシークできません：%2",
      u"%1에서 위치를 이동할 수 없습니다: %2", u"cannot seek in %1: %2"}},
    {{u"读取 %1 失败：%2", u"讀取 %1 失敗：%2", u"%1 の読み込みに失敗しました：%2", u"%1 읽기 실패: %2",
      u"cannot read %1: %2"}},
    {{u"无法为嵌入文档创建临时文件：%1", u"無法為嵌入文件建立暫存檔：%1", u"埋め込みドキュメント用の一時ファイルを作成できません：%1",
      u"포함된 문서용 임시 파일을 만들 수 없습니다: %1", u"cannot create a temporary file for an embedded document: %1"}},
    {{u"无法写入嵌入文档的临时文件：%1", u"無法寫入嵌入文件的暫存檔：%1", u"埋め込みドキュメントの一時ファイルに書き込めません：%1",
      u"포함된 문서의 임시 파일에 쓸 수 없습니다: %1", u"cannot write a temporary file for an embedded document: %1"}},
    {{u"XMP 元数据过大，无法读取（%1 字节）", u"XMP 中繼資料過大，無法讀取（%1 位元組）",
      u"XMP メタデータが大きすぎて読み込めません（%1 バイト）", u"XMP 메타데이터가 너무 커서 읽을 수 없습니다(%1바이트)",
      u"the XMP metadata is too large to read (%1 bytes)"}},
    {{u"无法移除文档祖先记录：%1", u"無法移除文件祖先記錄：%1", u"ドキュメント祖先レコードを削除できません：%1",
      u"문서 조상 기록을 제거할 수 없습니다: %1", u"cannot remove the document ancestors: %1"}},
    {{u"无法读取文档：%1", u"無法讀取文件：%1", u"ドキュメントを読み込めません：%1", u"문서를 읽을 수 없습니다: %1",
      u"cannot read the document: %1"}},
    {{u"无法打开 %1：%2", u"無法開啟 %1：%2", u"%1 を開けません：%2", u"%1을(를) 열 수 없습니다: %2", u"cannot open %1: %2"}},
    {{u"无法写入瘦身后的副本：%1", u"無法寫入瘦身後的副本：%1", u"スリム化したコピーを書き込めません：%1",
      u"최적화한 사본을 쓸 수 없습니다: %1", u"cannot write the slimmed copy: %1"}},
    {{u"链接指向的文件不存在", u"連結指向的檔案不存在", u"リンク先のファイルが見つかりません", u"링크가 가리키는 파일이 없습니다",
      u"is a link to a file that does not exist"}},
    {{u"文件不存在", u"檔案不存在", u"ファイルが見つかりません", u"파일이 없습니다", u"does not exist"}},
    {{u"文件为只读（没有写入权限），未作改动", u"檔案為唯讀（沒有寫入權限），未作變更",
      u"ファイルは読み取り専用（書き込み権限なし）のため、変更していません",
      u"파일이 읽기 전용(쓰기 권한 없음)이라 변경하지 않았습니다", u"is read-only (no write permission); left unchanged"}},
    {{u"文件所在位置的磁盘空间不足：需要 %1 字节，可用 %2 字节", u"檔案所在位置的磁碟空間不足：需要 %1 位元組，可用 %2 位元組",
      u"ファイルのある場所のディスク空き容量が不足しています：必要 %1 バイト、空き %2 バイト",
      u"파일 위치의 디스크 공간이 부족합니다: %1바이트 필요, %2바이트 사용 가능",
      u"not enough free disk space beside the file: %1 bytes needed, %2 bytes free"}},
    {{u"瘦身后的副本有 %1 字节，应为 %2 字节", u"瘦身後的副本有 %1 位元組，應為 %2 位元組",
      u"スリム化したコピーが %1 バイトあります（正しくは %2 バイト）", u"최적화한 사본이 %1바이트입니다(%2바이트여야 함)",
      u"the slimmed copy has %1 bytes instead of %2"}},
    {{u"瘦身后的副本无法回读：%1", u"瘦身後的副本無法回讀：%1", u"スリム化したコピーを読み戻せません：%1",
      u"최적화한 사본을 다시 읽을 수 없습니다: %1", u"the slimmed copy does not read back: %1"}},
    {{u"瘦身后的副本与源文件不一致：%1", u"瘦身後的副本與原始檔案不一致：%1", u"スリム化したコピーが元のファイルと一致しません：%1",
      u"최적화한 사본이 원본 파일과 다릅니다: %1", u"the slimmed copy differs from the source: %1"}},
    {{u"瘦身后副本的 XMP 元数据：%1", u"瘦身後副本的 XMP 中繼資料：%1", u"スリム化したコピーの XMP メタデータ：%1",
      u"최적화한 사본의 XMP 메타데이터: %1", u"the slimmed copy's XMP metadata: %1"}},
    {{u"瘦身期间文件被其他程序修改", u"瘦身期間檔案被其他程式修改", u"スリム化の間にほかのプログラムがファイルを変更しました",
      u"최적화하는 동안 다른 프로그램이 파일을 변경했습니다", u"the file was changed by another program while it was slimmed"}},
    {{u"内存不足", u"記憶體不足", u"メモリ不足", u"메모리 부족", u"out of memory"}},
    {{u"意外错误：%1", u"意外錯誤：%1", u"予期しないエラー：%1", u"예기치 않은 오류: %1", u"unexpected error: %1"}},
    {{u"因未知原因失败", u"因未知原因失敗", u"不明な原因で失敗しました", u"알 수 없는 이유로 실패했습니다",
      u"failed for an unknown reason"}},
    {{u"（无）", u"（無）", u"（なし）", u"(없음)", u"(nothing)"}},
    {{u"“%1”变为“%2”", u"「%1」變為「%2」", u"「%1」が「%2」に変わっています", u"“%1”이(가) “%2”(으)로 바뀌었습니다",
      u"\"%1\" became \"%2\""}},
    {{u"XMP 元数据不是格式正确的 XML（第 %1 行：%2）", u"XMP 中繼資料不是格式正確的 XML（第 %1 行：%2）",
      u"XMP メタデータが整形式の XML ではありません（%1 行目：%2）", u"XMP 메타데이터가 올바른 형식의 XML이 아닙니다(%1행: %2)",
      u"the XMP metadata is not well-formed XML (line %1: %2)"}},
    {{u"XMP 元数据仍列有文档祖先记录", u"XMP 中繼資料仍列有文件祖先記錄", u"XMP メタデータにまだドキュメント祖先レコードがあります",
      u"XMP 메타데이터에 아직 문서 조상 기록이 있습니다", u"the XMP metadata still lists document ancestors"}},

};

// Its language is written once at start, before any file is read.
TextTable::Catalog catalog(rows);

} // namespace

bool SetLanguage(const QString &code)
{
    HelperText::setLanguage(code);
    PsdText::SetLanguage(code);
    return catalog.setLanguage(code);
}

QString Language()
{
    return catalog.language();
}

const TextTable::Dictionary &Dictionary()
{
    return catalog.dictionary();
}

// Texts the workers share with the padding engine (file and codec messages)
// have their rows in the engine's dictionary only.
QString Translate(const QString &source)
{
    const QString text = catalog.translate(source);
    return text == source ? HelperText::translate(source) : text;
}

QString TranslateCount(const QString &source, std::initializer_list<TextTable::Count> counts)
{
    const QString text = catalog.translate(source, counts);
    return text == source ? HelperText::translateCount(source, counts) : text;
}

QLocale Locale()
{
    return TextTable::localeFor(catalog.language());
}

QString Colon()
{
    return catalog.languageIndex() <= 2 ? QStringLiteral("：") : QStringLiteral(": ");
}

QString ListSeparator()
{
    // Chinese (both), Japanese, Korean, English.
    switch (catalog.languageIndex()) {
    case 0:
    case 1:
        return QStringLiteral("；");
    case 2:
        return QStringLiteral("、");
    default:
        return QStringLiteral("; ");
    }
}

} // namespace WorkerText
