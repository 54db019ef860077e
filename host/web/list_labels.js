'use strict';
// At a phone's width the call list's rows stand as small cards without the table's head
// (style.css): every cell carries the name of its column, from the head, for the style
// to show beside the values that need it. Follows the rows as the list redraws them.
(() => {
  const table = document.querySelector('#calls');
  const label = () => {
    const heads = [...table.tHead.rows[0].cells].map((th) => th.textContent);
    for (const row of table.tBodies[0].rows)
      [...row.cells].forEach((td, i) => { if (heads[i] && td.dataset.label !== heads[i]) td.dataset.label = heads[i]; });
  };
  new MutationObserver(label).observe(table.tBodies[0], { childList: true });
  i18nReady.then(label);
})();
