// The page's texts (and the operator's screen's) in the browser's language:
// the first of navigator.languages that has a catalogue, else English, the
// page's own text. Each language's catalogue is a file of its own
// (texts-LANG.js, built from the window's and gimbalctl's translations),
// fetched only for a page in that language, beside everything else the page
// loads: nothing waits for it but the first paint, so the page neither
// starts later nor shows English first. Its texts replace the English ones
// as it arrives; the document's `lang` then says which. A text a catalogue
// lacks stays English.
//
// Mark a text the script shows with qsTr('...'); a text from elsewhere (the
// core, the station) goes through translated(text). The documents' own texts,
// labels, titles and placeholders are translated when the catalogue arrives,
// except inside an element marked translate="no", and so is what the script
// wrote before; a script that shows more (the screen's tiles) draws again
// on onTextsArrived(callback).
(() => {
    const kCatalogues = ['de', 'zh-CN'];  // translations/CMakeLists.txt builds each one's file

    // Simplified Chinese: zh, zh-CN, zh-SG, zh-Hans...; not the traditional script.
    function simplifiedChinese(parts) {
        return !parts.some((part) => ['hant', 'tw', 'hk', 'mo'].includes(part));
    }

    function chooseLanguage(wanted) {
        for (const tag of wanted) {
            const parts = String(tag).toLowerCase().split(/[-_]/);
            if (parts[0] === 'en') return 'en';
            if (parts[0] === 'zh') {
                if (simplifiedChinese(parts.slice(1))) return 'zh-CN';
            } else if (kCatalogues.includes(parts[0])) {
                return parts[0];
            }
        }
        return 'en';
    }

    const wanted = navigator.languages && navigator.languages.length ? navigator.languages
        : [navigator.language || 'en'];
    const language = chooseLanguage(wanted);
    let texts = {};  // English until the catalogue arrives
    const arrivals = [];

    const has = (key) => Object.prototype.hasOwnProperty.call(texts, key);

    // The text in the page's language. The core's lines come with or without
    // their line feed; blanks around a text stay where they were.
    function translated(english) {
        const text = String(english);
        if (has(text)) return texts[text];
        if (has(text + '\n')) return texts[text + '\n'].replace(/\n$/, '');
        const core = text.trim();
        if (core === text || !has(core)) return text;
        const start = text.indexOf(core);
        return text.slice(0, start) + texts[core] + text.slice(start + core.length);
    }

    const kAttributes = ['aria-label', 'title', 'placeholder', 'alt'];
    const kSkipped = new Set(['SCRIPT', 'STYLE', 'CODE']);

    function translateTree(root) {
        if (root.nodeType === Node.ELEMENT_NODE) {
            if (root.getAttribute('translate') === 'no' || kSkipped.has(root.tagName)) return;
            for (const name of kAttributes) {
                if (root.hasAttribute(name)) root.setAttribute(name, translated(root.getAttribute(name)));
            }
        }
        for (const child of root.childNodes) {
            if (child.nodeType === Node.TEXT_NODE) {
                if (child.data.trim()) child.data = translated(child.data);
            } else {
                translateTree(child);
            }
        }
    }

    function translatePage() {
        document.title = translated(document.title);
        translateTree(document.body);
        for (const callback of arrivals) callback();
    }

    // Called by texts-LANG.js with its catalogue.
    globalThis.addGimbalTexts = (catalogueLanguage, catalogue) => {
        if (catalogueLanguage !== language) return;
        texts = catalogue;
        document.documentElement.lang = language;
        if (document.readyState === 'loading') {
            document.addEventListener('DOMContentLoaded', translatePage, { once: true });
        } else {
            translatePage();
        }
    };

    globalThis.qsTr = translated;
    globalThis.translated = translated;
    globalThis.onTextsArrived = (callback) => arrivals.push(callback);
    if (language === 'en') return;
    // Fetched at once, run whenever it arrives; the first paint waits for it
    // (a script added before the body may hold rendering), so the page shows
    // in its language from the start unless the catalogue cannot be had.
    const script = document.createElement('script');
    script.src = `texts-${language}.js`;
    script.async = true;
    script.setAttribute('blocking', 'render');
    document.head.append(script);
})();
