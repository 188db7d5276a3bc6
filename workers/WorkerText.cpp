#include "WorkerText.h"

#include "HelperText.h"


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
    {{u"%1：发现 %2 个文档祖先记录，共 %3（涉及 %4 个嵌入文档）", u"%1：發現 %2 筆文件祖先記錄，共 %3（涉及 %4 個嵌入文件）",
      u"%1：ドキュメント祖先レコードが %2 件見つかりました（%3、埋め込みドキュメント %4 個を含む）",
      u"%1: 문서 조상 기록 %2개 발견, 총 %3(포함된 문서 %4개 관련)",
      u"%1: %2 document {ancestor|ancestors}, %3 (%4 in embedded documents)"}},
    {{u"%1：处理失败，文件未改动：%2", u"%1：處理失敗，檔案未變更：%2", u"%1：失敗しました。ファイルは変更していません：%2",
      u"%1: 실패, 파일을 변경하지 않았습니다: %2", u"%1: failed, left unchanged: %2"}},
    {{u"%1：没有文档祖先记录，文件未改动", u"%1：沒有文件祖先記錄，檔案未變更",
      u"%1：ドキュメント祖先レコードはありません。ファイルは変更していません", u"%1: 문서 조상 기록 없음, 파일을 변경하지 않았습니다",
      u"%1: no document ancestors, left untouched"}},
    {{u"%1：节省 %2（%3 → %4），已校验并替换", u"%1：節省 %2（%3 → %4），已驗證並取代",
      u"%1：%2 削減しました（%3 → %4）。検証して置き換えました", u"%1: %2 절약(%3 → %4), 검증 후 교체했습니다",
      u"%1: saved %2 (%3 → %4), checked and replaced"}},
    {{u"%1 字节", u"%1 位元組", u"%1 バイト", u"%1바이트", u"%1 {byte|bytes}"}},
    {{u"无法在 %1 中定位：%2", u"無法在 %1 中定位：%2", u"%1 内でシークできません：%2",
      u"%1에서 위치를 이동할 수 없습니다: %2", u"cannot seek in %1: %2"}},
    {{u"读取 %1 失败：%2", u"讀取 %1 失敗：%2", u"%1 の読み込みに失敗しました：%2", u"%1 읽기 실패: %2",
      u"cannot read %1: %2"}},
    {{u"链接文件记录损坏（位置 %1，长度 %2）", u"連結檔案記錄損毀（位置 %1，長度 %2）",
      u"リンクファイルのレコードが破損しています（位置 %1、長さ %2）", u"연결 파일 기록이 손상되었습니다(위치 %1, 길이 %2)",
      u"damaged linked-file record at offset %1 (length %2)"}},
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

    // The reader: document structure.
    {{u"文件结构损坏：位置 %1 超出所在区段（%2）", u"檔案結構損毀：位置 %1 超出所在區段（%2）",
      u"ファイル構造が破損しています：位置 %1 が区画（%2）を超えています",
      u"파일 구조가 손상되었습니다: 위치 %1이(가) 구역(%2)을 벗어납니다",
      u"Damaged file structure: offset %1 lies beyond its section (%2)"}},
    {{u"无法定位到文件位置 %1：%2", u"無法定位到檔案位置 %1：%2", u"ファイル位置 %1 にシークできません：%2",
      u"파일 위치 %1(으)로 이동할 수 없습니다: %2", u"Cannot seek to file offset %1: %2"}},
    {{u"读取文件失败（位置 %1）：%2", u"讀取檔案失敗（位置 %1）：%2", u"ファイルの読み込みに失敗しました（位置 %1）：%2",
      u"파일 읽기 실패(위치 %1): %2", u"Reading the file failed (offset %1): %2"}},
    {{u"文件结构损坏：%1 的长度 %2 超出文件或所在区段的末尾", u"檔案結構損毀：%1 的長度 %2 超出檔案或所在區段的結尾",
      u"ファイル構造が破損しています：%1 の長さ %2 がファイルまたは区画の末尾を超えています",
      u"파일 구조가 손상되었습니다: %1의 길이 %2이(가) 파일 또는 구역의 끝을 넘습니다",
      u"Damaged file structure: the length %2 of %1 runs past the end of the file or its section"}},
    {{u"文件被截断或结构损坏：在位置 %1 需要 %2 字节，所在区段只剩 %3 字节",
      u"檔案被截斷或結構損毀：在位置 %1 需要 %2 位元組，所在區段只剩 %3 位元組",
      u"ファイルが途中で切れているか、構造が破損しています：位置 %1 で %2 バイト必要ですが、区画には %3 バイトしか残っていません",
      u"파일이 잘렸거나 구조가 손상되었습니다: 위치 %1에서 %2바이트가 필요하지만 구역에 %3바이트만 남아 있습니다",
      u"File truncated or damaged: %2 bytes needed at offset %1, only %3 left in its section"}},
    {{u"附加图层信息损坏：位置 %1 处没有块标识", u"附加圖層資訊損毀：位置 %1 處沒有區塊標識",
      u"追加レイヤー情報が破損しています：位置 %1 にブロックの識別子がありません",
      u"추가 레이어 정보가 손상되었습니다: 위치 %1에 블록 식별자가 없습니다",
      u"Damaged additional layer information: no block signature at offset %1"}},
    {{u"图层“%1”的蒙版范围无效", u"圖層「%1」的遮色片範圍無效", u"レイヤー「%1」のマスク範囲が無効です",
      u"레이어 “%1”의 마스크 범위가 잘못되었습니다", u"Invalid mask bounds in layer “%1”"}},
    {{u"图层范围无效（位置 %1）", u"圖層範圍無效（位置 %1）", u"レイヤーの範囲が無効です（位置 %1）",
      u"레이어 범위가 잘못되었습니다(위치 %1)", u"Invalid layer bounds (offset %1)"}},
    {{u"图层通道数 %1 超出格式允许的上限", u"圖層色版數 %1 超出格式允許的上限", u"レイヤーのチャンネル数 %1 が形式の上限を超えています",
      u"레이어 채널 수 %1이(가) 형식의 한도를 넘습니다", u"Layer channel count %1 exceeds the format's limit"}},
    {{u"图层记录损坏：混合模式标识不符（位置 %1）", u"圖層記錄損毀：混合模式標識不符（位置 %1）",
      u"レイヤーレコードが破損しています：描画モードの識別子が一致しません（位置 %1）",
      u"레이어 기록이 손상되었습니다: 혼합 모드 식별자가 맞지 않습니다(위치 %1)",
      u"Damaged layer record: blend mode signature mismatch (offset %1)"}},
    {{u"图层数量 %1 与图层信息的长度不符", u"圖層數量 %1 與圖層資訊的長度不符", u"レイヤー数 %1 がレイヤー情報の長さと一致しません",
      u"레이어 수 %1이(가) 레이어 정보의 길이와 맞지 않습니다", u"Layer count %1 does not match the length of the layer information"}},
    {{u"图层“%1”的通道数据超出图层信息的末尾", u"圖層「%1」的色版資料超出圖層資訊的結尾",
      u"レイヤー「%1」のチャンネルデータがレイヤー情報の末尾を超えています",
      u"레이어 “%1”의 채널 데이터가 레이어 정보의 끝을 넘습니다",
      u"Channel data of layer “%1” runs past the end of the layer information"}},
    {{u"图层“%1”使用了未知的压缩方式 %2", u"圖層「%1」使用了未知的壓縮方式 %2", u"レイヤー「%1」で不明な圧縮方式 %2 が使われています",
      u"레이어 “%1”이(가) 알 수 없는 압축 방식 %2을(를) 사용합니다", u"Layer “%1” uses an unknown compression method %2"}},
    {{u"不是 PSD/PSB 文件（文件头标识不符）", u"不是 PSD/PSB 檔案（檔頭標識不符）",
      u"PSD/PSB ファイルではありません（ヘッダーの識別子が一致しません）", u"PSD/PSB 파일이 아닙니다(헤더 식별자가 맞지 않음)",
      u"Not a PSD/PSB file (header signature mismatch)"}},
    {{u"不支持的 PSD 版本 %1", u"不支援的 PSD 版本 %1", u"対応していない PSD バージョン %1", u"지원하지 않는 PSD 버전 %1",
      u"Unsupported PSD version %1"}},
    {{u"通道数 %1 无效", u"色版數 %1 無效", u"チャンネル数 %1 が無効です", u"채널 수 %1이(가) 잘못되었습니다",
      u"Invalid channel count %1"}},
    {{u"画布尺寸 %1×%2 无效", u"畫布尺寸 %1×%2 無效", u"カンバスサイズ %1×%2 が無効です", u"캔버스 크기 %1×%2이(가) 잘못되었습니다",
      u"Invalid canvas size %1×%2"}},
    {{u"位深 %1 无效", u"位元深度 %1 無效", u"ビット深度 %1 が無効です", u"비트 심도 %1이(가) 잘못되었습니다",
      u"Invalid bit depth %1"}},
    {{u"未知的颜色模式 %1", u"未知的色彩模式 %1", u"不明なカラーモード %1", u"알 수 없는 색상 모드 %1", u"Unknown color mode %1"}},
    {{u"合并图像使用了未知的压缩方式 %1", u"合併影像使用了未知的壓縮方式 %1", u"統合画像で不明な圧縮方式 %1 が使われています",
      u"병합 이미지가 알 수 없는 압축 방식 %1을(를) 사용합니다", u"The merged image uses an unknown compression method %1"}},

    // The reader: pixels.
    {{u"RLE 行长度超出通道数据（第 %1 行）", u"RLE 行長度超出色版資料（第 %1 行）",
      u"RLE の行の長さがチャンネルデータを超えています（%1 行目）", u"RLE 행 길이가 채널 데이터를 넘습니다(%1행)",
      u"RLE row length runs past the channel data (row %1)"}},
    {{u"RLE 数据解码长度不符（第 %1 行）", u"RLE 資料解碼長度不符（第 %1 行）",
      u"RLE データのデコード後の長さが一致しません（%1 行目）", u"RLE 데이터 디코딩 길이가 맞지 않습니다(%1행)",
      u"RLE data decodes to the wrong length (row %1)"}},
    {{u"RLE 数据解码长度不符（第 %1 行短缺 %2 字节）", u"RLE 資料解碼長度不符（第 %1 行短缺 %2 位元組）",
      u"RLE データのデコード後の長さが一致しません（%1 行目で %2 バイト不足）",
      u"RLE 데이터 디코딩 길이가 맞지 않습니다(%1행에서 %2바이트 부족)",
      u"RLE data decodes to the wrong length (row %1 is %2 bytes short)"}},
    {{u"无法初始化 ZIP 解压", u"無法初始化 ZIP 解壓縮", u"ZIP の展開を初期化できません", u"ZIP 압축 해제를 초기화할 수 없습니다",
      u"Cannot initialize ZIP decompression"}},
    {{u"ZIP 数据解压后长度不足（缺 %1 字节）", u"ZIP 資料解壓縮後長度不足（缺 %1 位元組）",
      u"ZIP データを展開した長さが足りません（%1 バイト不足）", u"ZIP 데이터의 압축 해제 길이가 부족합니다(%1바이트 부족)",
      u"ZIP data decompresses too short (%1 bytes missing)"}},
    {{u"ZIP 数据解压后长度超出通道大小或数据损坏", u"ZIP 資料解壓縮後長度超出色版大小或資料損毀",
      u"ZIP データを展開した長さがチャンネルのサイズを超えているか、データが破損しています",
      u"ZIP 데이터의 압축 해제 길이가 채널 크기를 넘거나 데이터가 손상되었습니다",
      u"ZIP data decompresses past the channel size, or is damaged"}},
    {{u"ZIP 数据损坏", u"ZIP 資料損毀", u"ZIP データが破損しています", u"ZIP 데이터가 손상되었습니다", u"Damaged ZIP data"}},
    {{u"索引颜色文档缺少调色板", u"索引色文件缺少調色盤", u"インデックスカラーのドキュメントにパレットがありません",
      u"인덱스 색상 문서에 팔레트가 없습니다", u"Indexed color document has no palette"}},
    {{u"不支持的颜色模式", u"不支援的色彩模式", u"対応していないカラーモード", u"지원하지 않는 색상 모드", u"Unsupported color mode"}},
    {{u"图层过大（%1×%2），超出可处理的上限", u"圖層過大（%1×%2），超出可處理的上限",
      u"レイヤーが大きすぎます（%1×%2）。処理できる上限を超えています", u"레이어가 너무 큽니다(%1×%2). 처리 한도를 넘습니다",
      u"Layer too large (%1×%2), above the limit that can be processed"}},
    {{u"未压缩的通道数据不足（缺 %1 字节）", u"未壓縮的色版資料不足（缺 %1 位元組）",
      u"非圧縮のチャンネルデータが足りません（%1 バイト不足）", u"압축되지 않은 채널 데이터가 부족합니다(%1바이트 부족)",
      u"Uncompressed channel data too short (%1 bytes missing)"}},
    {{u"RLE 行长度表不完整", u"RLE 行長度表不完整", u"RLE の行長テーブルが不完全です", u"RLE 행 길이 표가 불완전합니다",
      u"Incomplete RLE row length table"}},
    {{u"未知的压缩方式", u"未知的壓縮方式", u"不明な圧縮方式", u"알 수 없는 압축 방식", u"Unknown compression method"}},
    {{u"通道 %1 没有数据", u"色版 %1 沒有資料", u"チャンネル %1 にデータがありません", u"채널 %1에 데이터가 없습니다",
      u"Channel %1 has no data"}},
    {{u"通道 %1 的数据不足以填满 %2×%3 的图层", u"色版 %1 的資料不足以填滿 %2×%3 的圖層",
      u"チャンネル %1 のデータが %2×%3 のレイヤーを満たすには足りません", u"채널 %1의 데이터가 %2×%3 레이어를 채우기에 부족합니다",
      u"Channel %1 has too little data to fill a %2×%3 layer"}},
    {{u"通道 %1 的压缩数据长度异常", u"色版 %1 的壓縮資料長度異常", u"チャンネル %1 の圧縮データの長さが異常です",
      u"채널 %1의 압축 데이터 길이가 비정상입니다", u"Odd compressed data length in channel %1"}},
    {{u"不支持多通道（Multichannel）颜色模式", u"不支援多色版（Multichannel）色彩模式",
      u"マルチチャンネル（Multichannel）カラーモードには対応していません", u"다중 채널(Multichannel) 색상 모드는 지원하지 않습니다",
      u"The Multichannel color mode is not supported"}},
    {{u"位深 %1 与颜色模式不符", u"位元深度 %1 與色彩模式不符", u"ビット深度 %1 がカラーモードと一致しません",
      u"비트 심도 %1이(가) 색상 모드와 맞지 않습니다", u"Bit depth %1 does not match the color mode"}},
    {{u"索引颜色文档的位深必须为 8", u"索引色文件的位元深度必須為 8", u"インデックスカラーのドキュメントのビット深度は 8 である必要があります",
      u"인덱스 색상 문서의 비트 심도는 8이어야 합니다", u"An indexed color document must have a bit depth of 8"}},
    {{u"文档的通道数少于其颜色模式所需", u"文件的色版數少於其色彩模式所需", u"ドキュメントのチャンネル数がカラーモードに必要な数より少なくなっています",
      u"문서의 채널 수가 색상 모드에 필요한 수보다 적습니다", u"The document has fewer channels than its color mode needs"}},
    {{u"图层序号 %1 无效", u"圖層序號 %1 無效", u"レイヤー番号 %1 が無効です", u"레이어 번호 %1이(가) 잘못되었습니다",
      u"Invalid layer index %1"}},
    {{u"图层“%1”的通道数据不足以填满 %2×%3 的图层", u"圖層「%1」的色版資料不足以填滿 %2×%3 的圖層",
      u"レイヤー「%1」のチャンネルデータが %2×%3 のレイヤーを満たすには足りません",
      u"레이어 “%1”의 채널 데이터가 %2×%3 레이어를 채우기에 부족합니다",
      u"Channel data of layer “%1” is too short to fill a %2×%3 layer"}},
    {{u"内存不足，无法解码图层（%1×%2）", u"記憶體不足，無法解碼圖層（%1×%2）", u"メモリが不足しているため、レイヤーをデコードできません（%1×%2）",
      u"메모리가 부족하여 레이어를 디코딩할 수 없습니다(%1×%2)", u"Not enough memory to decode the layer (%1×%2)"}},
    {{u"文档没有合并图像数据", u"文件沒有合併影像資料", u"ドキュメントに統合画像のデータがありません", u"문서에 병합 이미지 데이터가 없습니다",
      u"The document has no merged image data"}},
    {{u"合并图像的 RLE 数据长度异常", u"合併影像的 RLE 資料長度異常", u"統合画像の RLE データの長さが異常です",
      u"병합 이미지의 RLE 데이터 길이가 비정상입니다", u"Odd RLE data length in the merged image"}},
    {{u"内存不足，无法解码合并图像", u"記憶體不足，無法解碼合併影像", u"メモリが不足しているため、統合画像をデコードできません",
      u"메모리가 부족하여 병합 이미지를 디코딩할 수 없습니다", u"Not enough memory to decode the merged image"}},
};

// Its language is written once at start, before any file is read.
TextTable::Catalog catalog(rows);

} // namespace

bool SetLanguage(const QString &code)
{
    HelperText::SetLanguage(code);
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
    return text == source ? HelperText::Translate(source) : text;
}

QString TranslateCount(const QString &source, std::initializer_list<TextTable::Count> counts)
{
    const QString text = catalog.translate(source, counts);
    return text == source ? HelperText::TranslateCount(source, counts) : text;
}

QLocale Locale()
{
    switch (catalog.languageIndex()) {
    case 1:
        return QLocale(QLocale::Chinese, QLocale::TraditionalHanScript, QLocale::Taiwan);
    case 2:
        return QLocale(QLocale::Japanese, QLocale::Japan);
    case 3:
        return QLocale(QLocale::Korean, QLocale::SouthKorea);
    case 4:
        return QLocale(QLocale::English, QLocale::UnitedStates);
    default:
        return QLocale(QLocale::Chinese, QLocale::SimplifiedHanScript, QLocale::China);
    }
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
